// The tree's drag and drop and the record panel's eye driven by the X
// server's own mouse and keyboard: xdotool presses, moves in steps and
// releases over the window on a private Xvfb, so the drag runs through the
// platform's real drag loop (the offscreen platform's differs, and a call
// of a handler skips it). Without Xvfb or xdotool the program skips, saying
// which is missing.
#include <QDeadlineTimer>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTextEdit>
#include <QToolButton>

#include "U_Password_Generator_Options.h"
#include "database_page_fixture.h"
#include "private_x_server.h"
#include "window_widgets.h"

namespace {

// One xdotool command line, run while the test keeps the window's event
// loop turning: a drag holds the loop inside the toolkit until the release,
// so the input must come from outside.
bool RunXdotool(const QStringList& arguments) {
    QProcess xdotool;
    xdotool.start(QStringLiteral("xdotool"), arguments);
    if (!xdotool.waitForStarted(5000)) {
        return false;
    }
    QDeadlineTimer deadline(20000);
    while (xdotool.state() != QProcess::NotRunning && !deadline.hasExpired()) {
        QTest::qWait(20);
    }
    QTest::qWait(150); // the last events reach the window
    return xdotool.exitStatus() == QProcess::NormalExit && xdotool.exitCode() == 0;
}

QPoint OnScreen(QWidget* widget, QPoint inside) {
    return widget->mapToGlobal(inside);
}

QStringList MoveTo(QPoint p) {
    return {"mousemove", QString::number(p.x()), QString::number(p.y())};
}

// The mouse moves from `from` to `to` in steps of a few pixels, as a hand
// moves it.
QStringList Path(QPoint from, QPoint to) {
    QStringList steps;
    const int count = std::max(8, (to - from).manhattanLength() / 6);
    for (int i = 1; i <= count; ++i) {
        steps << MoveTo(from + (to - from) * i / count) << "sleep"
              << "0.02";
    }
    return steps;
}

bool Click(QWidget* widget, QPoint inside) {
    return RunXdotool(MoveTo(OnScreen(widget, inside)) + QStringList{"sleep", "0.1", "click", "1"});
}

bool Click(QWidget* widget) {
    return Click(widget, widget->rect().center());
}

// How a drag ends: the button let go, or Escape pressed with it still held.
enum class TDragEnd { Release, Escape };

} // namespace

class TestRealMouseAndKeys : public QObject {
    Q_OBJECT
  public:
    bool haveServer = false;

  private:
    // Mail (a folder) holds the record Bank; Shop is a folder at the top.
    struct TFixture : TOpenDatabase {
        TFixture() {
            QApplication::setActiveWindow(window.get());
            window->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(window.get()));
            Load([](TKeyvaleTree& tree) {
                tree.AddChild(kNoNode, "Shop", kIconFolder);
                tree.AddChild(tree.AddChild(kNoNode, "Mail", kIconFolder), "Bank", kIconFolder);
            });
            Choose("Bank");
            F_Password(*window)->insert("old-Rivet!Maple-92-Quartz");
            Choose("Shop");
            QTest::qWait(100);
        }
        QPoint Row(const QString& name) {
            QTreeView* tree = o_TV_Main(*window);
            const QModelIndex index = Find(name);
            tree->scrollTo(index);
            return OnScreen(tree->viewport(), tree->visualRect(index).center());
        }
        QString LastLog() {
            QStringList lines = F_Message(*window)->toPlainText().split('\n');
            while (!lines.isEmpty() && lines.last().trimmed().isEmpty()) {
                lines.removeLast();
            }
            return lines.isEmpty() ? QString() : lines.last().section(" --- ", 1);
        }
    };

  private slots:
    void initTestCase() {
        if (!haveServer) {
            QSKIP("Xvfb is not installed: real mouse and key input needs an X server "
                  "(apt-get install xvfb)");
        }
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty()) {
            QSKIP("xdotool is not installed: it gives the X server's mouse and keys "
                  "(apt-get install xdotool)");
        }
    }

    // A refused drop says why, once, when the button is let go over the
    // target; a drop that is taken moves the node; a drag ended by Escape
    // says nothing.
    void dragsThroughTheXServer() {
        const struct {
            const char* dragged;
            const char* target;
            TDragEnd end;
            const char* log; // the last line afterwards
            const char* outline;
        } cases[] = {
            {"Mail", "Bank", TDragEnd::Release, "It is not allowed to add object to a record!",
             "Shop(1) Mail(0)[Bank(2)]"},
            {"Mail", "Bank", TDragEnd::Escape, "", "Shop(1) Mail(0)[Bank(2)]"},
            {"Bank", "Shop", TDragEnd::Release, "", "Shop(0)[Bank(2)] Mail(1)"},
        };
        for (const auto& c : cases) {
            TFixture f;
            TFormMain& w = f.w();
            F_Message(w)->clear();
            const QPoint from = f.Row(c.dragged);
            const QPoint to = f.Row(c.target);
            QStringList input = MoveTo(from) + QStringList{"sleep", "0.1", "mousedown", "1"} +
                                Path(from, to) + QStringList{"sleep", "0.3"};
            input += c.end == TDragEnd::Release
                         ? QStringList{"mouseup", "1"}
                         : QStringList{"key", "Escape", "sleep", "0.2", "mouseup", "1"};
            QVERIFY(RunXdotool(input));
            QCOMPARE(f.Outline(), QString(c.outline));
            QCOMPARE(f.LastLog(), QString(c.log));
            // Said once, and nothing at all where the drag was not refused.
            QCOMPARE(F_Message(w)->toPlainText().count(" --- "), QString(c.log).isEmpty() ? 0 : 1);
        }
    }

    // Generate, the eye, a click back into the field and Ctrl+Z, all as
    // the user gives them: the password from before the fill comes back,
    // and it is what the save writes.
    void ctrlZBringsThePasswordBackAcrossTheEye() {
        TFixture f;
        TFormMain& w = f.w();
        f.Choose("Bank");
        QLineEdit* password = F_Password(w);
        QVERIFY(Click(o_Password_Generator(w)->GenerateButton()));
        const QString generated = password->text();
        QCOMPARE(generated.size(), 20);
        for (const char* eye : {"Hide password", "Show password"}) {
            QVERIFY(Click(b_Password_Show(w)));
            QCOMPARE(b_Password_Show(w)->accessibleName(), QString(eye));
            QCOMPARE(password->text(), generated);
        }
        QVERIFY(Click(b_Password_Show(w))); // shown again, as the user reads it
        QVERIFY(Click(password, QPoint(8, password->height() / 2)));
        QVERIFY(RunXdotool({"key", "ctrl+z"}));
        QCOMPARE(password->text(), QString("old-Rivet!Maple-92-Quartz"));
        f.Choose("Shop");
        f.Choose("Bank");
        QCOMPARE(password->text(), QString("old-Rivet!Maple-92-Quartz"));
    }

    // A length typed beyond the range and left by a click outside the
    // options (which closes them): the nearer end is used, and the log says
    // so, since the panel that said it is gone.
    void aLengthLeftOutOfRangeIsBroughtIntoItAndSaid() {
        TFixture f;
        TFormMain& w = f.w();
        f.Choose("Bank");
        TPasswordGeneratorOptions* options = o_Password_Generator(w)->Options();
        QVERIFY(Click(o_Password_Generator(w)->OptionsButton()));
        QTRY_VERIFY(options->isVisible());
        QVERIFY(RunXdotool({"key", "ctrl+a", "type", "--delay", "30", "129"}));
        QVERIFY(Click(F_Message(w), QPoint(20, 20)));
        QTRY_VERIFY(!options->isVisible());
        QCOMPARE(options->Settings().password.length, std::size_t{128});
        QCOMPARE(f.LastLog(),
                 QString("A password has 8 to 128 characters: 128 are used, not 129."));
        QVERIFY(Click(o_Password_Generator(w)->GenerateButton()));
        QCOMPARE(F_Password(w)->text().size(), 128);
    }
};

int main(int argc, char** argv) {
    return RunOnPrivateXServer<TestRealMouseAndKeys>(argc, argv);
}
#include "test_real_mouse_and_keys.moc"
