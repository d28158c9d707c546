// Reading another program's export and planning its import, on a thread of
// its own, so that a large file never freezes the window. The thread reads
// the file, parses it and works out storage's plan against the open
// database's tree; the window gets the plan, or why there is none, through
// `finished`. Cancel stops the job and drops whatever it built.
#pragma once

#include <QObject>
#include <QString>

#include <memory>
#include <string>
#include <thread>

#include "U_Keyvale_Import_Plan.h"

// What the preview shows and what Import carries out.
struct TImportPreview {
    QString problem; // why nothing can be imported; empty when there is a plan
    TImportPlan plan;
    std::string source; // the program the file came from, "Chrome"
    QString summary;    // the preview's sentences, one a line
    QString refused;    // one line per refused entry
};

class TImportJob : public QObject {
    Q_OBJECT

  public:
    // `tree` must not change while the job runs: the window keeps the
    // preview modal, and whatever changes the tree from elsewhere (the
    // lock, another database) cancels the job first. `date` names a new
    // top folder ("Imported from Chrome 2026-12-10").
    TImportJob(const TKeyvaleTree& tree, const QString& file, const std::string& date,
               QObject* parent = nullptr);
    // Cancels, and waits for the thread to end.
    ~TImportJob() override;

    void Start();
    // Nothing of the job will be delivered. Returns once the thread no
    // longer reads the tree (at most one entry's planning later); reading
    // and parsing the file go on unseen until their end, and what they made
    // is dropped then. The job deletes itself when its thread has ended.
    void Cancel();

  signals:
    // The plan, or the problem; the job deletes itself afterwards.
    void finished(std::shared_ptr<TImportPreview> preview);

  private:
    struct TShared;
    static void Run(TShared& shared, const TKeyvaleTree& tree, const std::string& file,
                    const std::string& date, TImportPreview& preview);
    void Deliver(std::shared_ptr<TImportPreview> preview);

    const TKeyvaleTree& tree_;
    std::string file_;
    std::string date_;
    std::shared_ptr<TShared> shared_;
    std::thread worker_;
};
