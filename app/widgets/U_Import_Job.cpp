#include "U_Import_Job.h"

#include <malloc.h>

#include <atomic>
#include <mutex>

#include "U_KV_Hash_and_RAT_01.h"
#include "U_Keyvale_Import_Report.h"
#include "U_Keyvale_Import_Source.h"

struct TImportJob::TShared {
    std::atomic<bool> stop{false};
    std::mutex treeInUse; // held by the thread while it reads the tree
};

namespace {

QString Lines(const std::vector<std::string>& lines) {
    QStringList result;
    result.reserve(static_cast<qsizetype>(lines.size()));
    for (const std::string& line : lines) {
        result << QString::fromStdString(line);
    }
    return result.join(QLatin1Char('\n'));
}

} // namespace

TImportJob::TImportJob(const TKeyvaleTree& tree, const QString& file, const std::string& date,
                       QObject* parent)
    : QObject(parent), tree_(tree), file_(file.toStdString()), date_(date),
      shared_(std::make_shared<TShared>()) {}

TImportJob::~TImportJob() {
    shared_->stop = true;
    if (worker_.joinable()) {
        worker_.join();
    }
}

void TImportJob::Start() {
    worker_ = std::thread([this] {
        auto preview = std::make_shared<TImportPreview>();
        Run(*shared_, tree_, file_, date_, *preview);
        if (shared_->stop) {
            preview.reset(); // its secrets are wiped as it goes
        }
        // What the parse built is freed by now; the memory goes back to the
        // system instead of staying with the process.
        malloc_trim(0);
        QMetaObject::invokeMethod(
            this, [this, preview] { Deliver(preview); }, Qt::QueuedConnection);
    });
}

void TImportJob::Cancel() {
    shared_->stop = true;
    // Once the lock is ours the thread has left the tree, or will not enter it.
    const std::lock_guard<std::mutex> wait(shared_->treeInUse);
}

void TImportJob::Run(TShared& shared, const TKeyvaleTree& tree, const std::string& file,
                     const std::string& date, TImportPreview& preview) {
    std::string problem;
    TImportData data;
    {
        std::string text;
        problem = ReadImportFile(file, text);
        if (problem.empty() && !shared.stop) {
            problem = ReadImportData(text, TImportFormat::Detect, {}, data, &shared.stop);
        }
        KvSecureWipe(text);
    }
    if (shared.stop) {
        return;
    }
    if (problem.empty()) {
        const std::lock_guard<std::mutex> inUse(shared.treeInUse);
        if (shared.stop) {
            return;
        }
        TImportOptions options;
        options.date = date;
        options.stop = &shared.stop;
        preview.plan = PlanImport(tree, data, options);
        problem = preview.plan.error;
    }
    if (!problem.empty()) {
        preview.problem = QString::fromStdString(problem);
        return;
    }
    preview.source = ImportSourceName(data.format);
    preview.summary = Lines(ImportSummary(preview.plan, preview.source, false));
    preview.refused = Lines(ImportRefusalLines(preview.plan.refused));
}

void TImportJob::Deliver(std::shared_ptr<TImportPreview> preview) {
    worker_.join(); // it has nothing left to do but end
    if (!shared_->stop) {
        emit finished(std::move(preview));
    }
    deleteLater();
}
