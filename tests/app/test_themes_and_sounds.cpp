// The built-in themes and their list, and the sound clips compiled into the
// program.
#include <QElapsedTimer>
#include <QListWidget>
#include <QSet>
#include <QtEndian>

#include "U_Keyvale_Themes.h"
#include "U_Picture.h"
#include "U_Sound_Player.h"
#include "keyvale_app_test.h"

class TestThemesAndSounds : public QObject {
    Q_OBJECT

  private slots:
    void displayText_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        QTest::newRow("one digit") << 0 << "Aurora (internal)"
                                   << "  1 --- Aurora ";
        QTest::newRow("two digits") << 9 << "Moss (internal)"
                                    << " 10 --- Moss ";
        QTest::newRow("three digits") << 99 << "Pine (internal)"
                                      << "100 --- Pine ";
        QTest::newRow("four digits") << 999 << "Pine (internal)"
                                     << "1000 --- Pine ";
        QTest::newRow("any case") << 4 << "Steel (INTERNAL)"
                                  << "  5 --- Steel ";
        QTest::newRow("every occurrence") << 4 << "(internal)X(Internal)"
                                          << "  5 --- X";
    }
    void displayText() {
        QFETCH(int, index);
        QFETCH(QString, name);
        QFETCH(QString, expected);
        QCOMPARE(KeyvaleThemeDisplayText(static_cast<std::size_t>(index), name), expected);
    }

    void fiftyDistinctNamedThemes() {
        QCOMPARE(KeyvaleThemeCount(), std::size_t{50});
        QSet<QString> names, looks;
        for (std::size_t i = 0; i < KeyvaleThemeCount(); ++i) {
            const TKeyvaleTheme& theme = KeyvaleTheme(i);
            const QString name = QString::fromUtf8(theme.name);
            QVERIFY2(name.endsWith(" (internal)"), theme.name);
            names.insert(name);
            looks.insert(KeyvaleThemeStyleSheet(theme));
            const QPalette palette = KeyvaleThemePalette(theme);
            QVERIFY2(palette.color(QPalette::Window) != palette.color(QPalette::WindowText),
                     theme.name);
            QVERIFY2(palette.color(QPalette::Highlight) != palette.color(QPalette::HighlightedText),
                     theme.name);
        }
        QCOMPARE(names.size(), 50);
        QCOMPARE(looks.size(), 50);
    }

    void listsShowEveryThemeWithEntry39Selected() {
        TTestWindowFolders folders;
        TFormMain window(folders.Services());
        QCOMPARE(o_List_Skin_1(window)->count(), 50);
        QCOMPARE(o_List_Skin_2(window)->count(), 50);
        for (int i = 0; i < 50; ++i) {
            QCOMPARE(o_List_Skin_1(window)->item(i)->text(), QString(KeyvaleTheme(i).name));
            QCOMPARE(o_List_Skin_2(window)->item(i)->text(),
                     KeyvaleThemeDisplayText(i, o_List_Skin_1(window)->item(i)->text()));
            QCOMPARE(o_List_Skin_2(window)->item(i)->sizeHint().height(), 40);
        }
        QCOMPARE(o_List_Skin_2(window)->currentRow(), 39);
        QCOMPARE(QApplication::palette().color(QPalette::Window), QColor(KeyvaleTheme(39).window));
    }

    void chosenEntryAppliesItsThemeOnceAndLetsItSettle() {
        TTestWindowFolders folders;
        TFormMain window(folders.Services());
        window.show();
        o_Page_Control(window)->setCurrentWidget(page_Settings(window));
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QListWidget* list = o_List_Skin_2(window);
        const auto clickRow = [list](int row) {
            list->scrollToItem(list->item(row));
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualItemRect(list->item(row)).center());
        };
        QElapsedTimer clock;

        // The active entry again: nothing changes, no pause.
        clock.start();
        clickRow(39);
        QVERIFY(clock.elapsed() < 500);
        QCOMPARE(window.ActiveSkinIndex(), 39);

        // Another entry: applied at once. The new look settles for a second
        // while the window goes on; a choice made meanwhile waits for it.
        clock.restart();
        clickRow(2);
        QCOMPARE(window.ActiveSkinIndex(), 2);
        QCOMPARE(QApplication::palette().color(QPalette::Window), QColor(KeyvaleTheme(2).window));
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Down); // the arrow keys choose as well
        QCOMPARE(list->currentRow(), 3);
        QCOMPARE(window.ActiveSkinIndex(), 2);
        QTRY_COMPARE(window.ActiveSkinIndex(), 3);
        QVERIFY(clock.elapsed() >= 1000);
        QCOMPARE(QApplication::palette().color(QPalette::Window), QColor(KeyvaleTheme(3).window));

        // Choices made one after another while it settles: only the last counts.
        list->setCurrentRow(7);
        list->setCurrentRow(8);
        QCOMPARE(window.ActiveSkinIndex(), 3);
        QTRY_COMPARE(window.ActiveSkinIndex(), 8);
    }

    void everyClipIsAShortPcmWave_data() {
        QTest::addColumn<QString>("name");
        for (const char* name :
             {"S_B_MP_1", "S_B_MP_3", "S_B_MP_4", "S_B_Cancel_3", "S_Tab_Change_1",
              "S_Folder_Replaced_To_Root", "S_Trash_Can_1", "S_Delete", "S_MP_Change",
              "S_DB_Opened", "S_DB_Save", "S_W_1", "S_W_2"}) {
            QTest::newRow(name) << QString(name);
        }
    }
    void everyClipIsAShortPcmWave() {
        QFETCH(QString, name);
        InitKeyvaleResources();
        const QString url = SoundResourceUrl(name.toLower()); // names ignore case
        QCOMPARE(url, "qrc:/sounds/" + name + ".wav");
        QFile clip(url.mid(3));
        QVERIFY(clip.open(QIODevice::ReadOnly));
        const QByteArray bytes = clip.readAll();
        QVERIFY(bytes.size() > 44);
        QCOMPARE(bytes.mid(0, 4), QByteArray("RIFF"));
        QCOMPARE(bytes.mid(8, 8), QByteArray("WAVEfmt "));
        const auto* data = reinterpret_cast<const uchar*>(bytes.constData());
        QCOMPARE(qFromLittleEndian<quint16>(data + 20), quint16(1));  // PCM
        QCOMPARE(qFromLittleEndian<quint16>(data + 34), quint16(16)); // bits per sample
        const quint32 bytesPerSecond = qFromLittleEndian<quint32>(data + 28);
        const double seconds = double(bytes.size() - 44) / bytesPerSecond;
        QVERIFY(seconds > 0.05 && seconds < 4.0);
    }

    void missingSoundPlaysNothing() {
        TTestWindowFolders folders;
        TFormMain window(folders.Services());
        window.PlaySoundResource("S_TreeView_Click");
        QVERIFY(folders.sounds->played.isEmpty());
        window.PlaySoundResource("s_db_save");
        QCOMPARE(folders.sounds->played, QStringList({"qrc:/sounds/S_DB_Save.wav"}));
    }

    void realPlayerNeverWaits() {
        // Whether or not this machine has a sound device, playing returns at once.
        TSoundEffectPlayer player;
        QElapsedTimer clock;
        clock.start();
        player.Play(SoundResourceUrl("S_DB_Opened"));
        player.Play(SoundResourceUrl("S_W_2")); // cuts the first one
        QVERIFY(clock.elapsed() < 1000);
    }
};

KEYVALE_APP_TEST_MAIN(TestThemesAndSounds)
#include "test_themes_and_sounds.moc"
