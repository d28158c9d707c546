// The settings file through real start and close cycles of the window: what
// each run reads, and what it leaves behind.
#include <QComboBox>
#include <QListWidget>

#include "U_Keyvale_Themes.h"
#include "keyvale_app_test.h"

namespace {

// One run of the program: start the window, let the test act, close it.
template <typename Action> void Run(TTestWindowFolders& folders, Action action) {
    TFormMain window(folders.Services());
    window.show();
    action(window);
    window.close();
}

} // namespace

class TestSettingsCycles : public QObject {
    Q_OBJECT

  private slots:
    void defaultsLeaveNoFile() {
        TTestWindowFolders folders;
        Run(folders, [](TFormMain& window) {
            QCOMPARE(o_List_Skin_2(window)->currentRow(), 39);
            QCOMPARE(AppliedTheme(), 39);
            QCOMPARE(F_Hash_Length(window)->currentText(), QString("30"));
        });
        QVERIFY(!QFile::exists(folders.IniPath()));
    }

    void changedLengthCreatesTheFileThenBothKeysAreKept() {
        TTestWindowFolders folders;
        Run(folders, [](TFormMain& window) { F_Hash_Length(window)->setEditText("50"); });
        // "SN" was decided before the file existed; only "HL" was written
        QVERIFY(folders.IniText().contains("HL=50"));
        QVERIFY(!folders.IniText().contains("SN="));

        Run(folders, [](TFormMain& window) {
            QCOMPARE(F_Hash_Length(window)->currentText(), QString("50"));
        });
        QVERIFY(folders.IniText().contains("SN=40"));
        QVERIFY(folders.IniText().contains("HL=50"));
    }

    void chosenThemeIsRemembered() {
        TTestWindowFolders folders;
        Run(folders, [](TFormMain& window) {
            o_List_Skin_2(window)->setCurrentRow(4); // as a click or an arrow key does
        });
        QVERIFY(folders.IniText().contains("SN=5"));
        QVERIFY(folders.IniText().contains("HL=30")); // the file existed by then
        Run(folders, [](TFormMain& window) {
            QCOMPARE(o_List_Skin_2(window)->currentRow(), 4);
            QCOMPARE(AppliedTheme(), 4);
            QCOMPARE(QApplication::palette().color(QPalette::Window),
                     QColor(KeyvaleTheme(4).window));
        });
    }

    void storedValuesAreTakenOnlyWhenValid_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("skin");
        QTest::addColumn<QString>("length");
        QTest::newRow("valid") << QByteArray("[Keyvale]\nSN=7\nHL=0050\n") << 6 << "0050";
        QTest::newRow("last skin") << QByteArray("[Keyvale]\nSN=50\nHL=1000\n") << 49 << "1000";
        QTest::newRow("zero, too short") << QByteArray("[Keyvale]\nSN=0\nHL=9\n") << 39 << "30";
        QTest::newRow("negative, too long")
            << QByteArray("[Keyvale]\nSN=-1\nHL=1001\n") << 39 << "30";
        QTest::newRow("beyond the set, letters")
            << QByteArray("[Keyvale]\nSN=51\nHL=abc\n") << 39 << "30";
        QTest::newRow("trailing blanks") << QByteArray("[Keyvale]\nSN=7 \nHL=50 \n") << 39 << "30";
        QTest::newRow("leading zero skin") << QByteArray("[Keyvale]\nSN=07\n") << 39 << "30";
        QTest::newRow("other section") << QByteArray("[Other]\nSN=7\nHL=50\n") << 39 << "30";
    }
    void storedValuesAreTakenOnlyWhenValid() {
        QFETCH(QByteArray, file);
        QFETCH(int, skin);
        QFETCH(QString, length);
        TTestWindowFolders folders;
        folders.WriteIni(file);
        Run(folders, [&](TFormMain& window) {
            QCOMPARE(o_List_Skin_2(window)->currentRow(), skin);
            QCOMPARE(AppliedTheme(), skin);
            QCOMPARE(F_Hash_Length(window)->currentText(), length);
        });
        // the file exists, so both keys are rewritten from what the run held
        QVERIFY(folders.IniText().contains(QString("SN=%1").arg(skin + 1)));
        QVERIFY(folders.IniText().contains("HL=" + length));
    }

    void unwritableFileLosesTheChoicesSilently() {
        // A folder in the settings file's place cannot be written, even by root.
        TTestWindowFolders folders;
        QVERIFY(QDir().mkpath(folders.IniPath()));
        Run(folders, [](TFormMain& window) { F_Hash_Length(window)->setEditText("64"); });
        Run(folders, [](TFormMain& window) {
            QCOMPARE(F_Hash_Length(window)->currentText(), QString("30"));
            QCOMPARE(o_List_Skin_2(window)->currentRow(), 39);
        });
    }
};

KEYVALE_APP_TEST_MAIN(TestSettingsCycles)
#include "test_settings_cycles.moc"
