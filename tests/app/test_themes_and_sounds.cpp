// The built-in themes and their list, and the sound clips compiled into the
// program.
#include <QElapsedTimer>
#include <QListWidget>
#include <QSet>
#include <QtEndian>

#include "U_Keyvale_Themes.h"
#include "U_Picture.h"
#include "U_Sound_Player.h"
#include "U_Wave_Clip.h"
#include "keyvale_app_test.h"

namespace {

// Pieces of a wave file, built by hand so that each case shows its flaw.
QByteArray Le16(quint16 value) {
    QByteArray bytes(2, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}
QByteArray Le32(quint32 value) {
    QByteArray bytes(4, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}
QByteArray Chunk(const char* identifier, const QByteArray& body, quint32 declaredSize) {
    return identifier + Le32(declaredSize) + body +
           (body.size() % 2 ? QByteArray(1, '\0') : QByteArray());
}
QByteArray Chunk(const char* identifier, const QByteArray& body) {
    return Chunk(identifier, body, quint32(body.size()));
}
QByteArray FormatChunk(quint16 encoding, quint16 channels, quint32 rate, quint16 bits) {
    const quint16 frame = quint16(channels * bits / 8);
    return Chunk("fmt ", Le16(encoding) + Le16(channels) + Le32(rate) + Le32(rate * frame) +
                             Le16(frame) + Le16(bits));
}
QByteArray Wave(const QByteArray& chunks) {
    return "RIFF" + Le32(quint32(4 + chunks.size())) + "WAVE" + chunks;
}

} // namespace

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
        QCOMPARE(AppliedTheme(), 39);

        // Another entry: applied at once. The new look settles for a second
        // while the window goes on; a choice made meanwhile waits for it.
        clock.restart();
        clickRow(2);
        QCOMPARE(AppliedTheme(), 2);
        QCOMPARE(QApplication::palette().color(QPalette::Window), QColor(KeyvaleTheme(2).window));
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Down); // the arrow keys choose as well
        QCOMPARE(list->currentRow(), 3);
        QCOMPARE(AppliedTheme(), 2);
        QTRY_COMPARE(AppliedTheme(), 3);
        QVERIFY(clock.elapsed() >= 1000);
        QCOMPARE(QApplication::palette().color(QPalette::Window), QColor(KeyvaleTheme(3).window));

        // Choices made one after another while it settles: only the last counts.
        list->setCurrentRow(7);
        list->setCurrentRow(8);
        QCOMPARE(AppliedTheme(), 3);
        QTRY_COMPARE(AppliedTheme(), 8);
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
        // and the player reads every sample of it
        const std::optional<TWaveClip> read = ReadWaveClip(bytes);
        QVERIFY(read);
        QCOMPARE(read->samples, bytes.mid(44));
    }

    void waveClipReading_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("playable");
        QTest::addColumn<int>("sampleFormat");
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("rate");
        QTest::addColumn<QByteArray>("samples");
        const QByteArray eight("12345678");
        const auto row = [](const char* name, const QByteArray& bytes) -> QTestData& {
            return QTest::newRow(name) << bytes;
        };
        row("16-bit mono", Wave(FormatChunk(1, 1, 22050, 16) + Chunk("data", eight)))
            << true << int(QAudioFormat::Int16) << 1 << 22050 << eight;
        row("8-bit stereo", Wave(FormatChunk(1, 2, 8000, 8) + Chunk("data", eight)))
            << true << int(QAudioFormat::UInt8) << 2 << 8000 << eight;
        row("32-bit float", Wave(FormatChunk(3, 1, 48000, 32) + Chunk("data", eight)))
            << true << int(QAudioFormat::Float) << 1 << 48000 << eight;
        row("odd-sized chunk before the format is padded",
            Wave(Chunk("LIST", "abc") + FormatChunk(1, 1, 22050, 16) + Chunk("data", eight)))
            << true << int(QAudioFormat::Int16) << 1 << 22050 << eight;
        row("data cut short: the whole frames that are there",
            Wave(FormatChunk(1, 2, 22050, 16) + Chunk("data", "123456", 4000)))
            << true << int(QAudioFormat::Int16) << 2 << 22050 << QByteArray("1234");
        row("half a frame at the end is dropped",
            Wave(FormatChunk(1, 1, 22050, 16) + Chunk("data", "12345")))
            << true << int(QAudioFormat::Int16) << 1 << 22050 << QByteArray("1234");

        const auto unplayable = [&](const char* name, const QByteArray& bytes) {
            row(name, bytes) << false << 0 << 0 << 0 << QByteArray();
        };
        unplayable("empty", QByteArray());
        unplayable("not RIFF", "RIFX" + Wave(FormatChunk(1, 1, 22050, 16)).mid(4));
        unplayable("RIFF but not a wave", "RIFF" + Le32(4) + "AVI ");
        unplayable("no data chunk", Wave(FormatChunk(1, 1, 22050, 16)));
        unplayable("data before its format",
                   Wave(Chunk("data", eight) + FormatChunk(1, 1, 22050, 16)));
        unplayable("compressed samples", Wave(FormatChunk(2, 1, 22050, 4) + Chunk("data", eight)));
        unplayable("24-bit samples", Wave(FormatChunk(1, 1, 22050, 24) + Chunk("data", eight)));
        unplayable("no channels", Wave(FormatChunk(1, 0, 22050, 16) + Chunk("data", eight)));
        unplayable("no sample rate", Wave(FormatChunk(1, 1, 0, 16) + Chunk("data", eight)));
        unplayable("format chunk too short",
                   Wave(Chunk("fmt ", Le16(1) + Le16(1)) + Chunk("data", eight)));
        unplayable("chunk size beyond the file",
                   Wave(Chunk("LIST", "ab", 0xFFFFFFFF) + FormatChunk(1, 1, 22050, 16) +
                        Chunk("data", eight)));
    }
    void waveClipReading() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, playable);
        const std::optional<TWaveClip> clip = ReadWaveClip(bytes);
        QCOMPARE(clip.has_value(), playable);
        if (!clip) {
            return;
        }
        QFETCH(int, sampleFormat);
        QFETCH(int, channels);
        QFETCH(int, rate);
        QFETCH(QByteArray, samples);
        QCOMPARE(int(clip->format.sampleFormat()), sampleFormat);
        QCOMPARE(clip->format.channelCount(), channels);
        QCOMPARE(clip->format.sampleRate(), rate);
        QCOMPARE(clip->samples, samples);
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
        // Whether or not this machine has a sound device, playing returns at
        // once, and a clip that is missing or no wave plays nothing.
        QTemporaryDir folder;
        const QString notAWave = folder.filePath("notes.wav");
        QFile file(notAWave);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("RIFF, but only in name");
        file.close();

        TSoundEffectPlayer player;
        QElapsedTimer clock;
        clock.start();
        player.Play(SoundResourceUrl("S_DB_Opened"));
        player.Play(SoundResourceUrl("S_W_2")); // cuts the first one
        for (const QString& url : {QString(), QString("qrc:/sounds/S_None.wav"),
                                   QUrl::fromLocalFile(notAWave).toString()}) {
            player.Play(url);
        }
        player.Play(SoundResourceUrl("S_W_2"));
        QVERIFY(clock.elapsed() < 1000);
    }
};

KEYVALE_APP_TEST_MAIN(TestThemesAndSounds)
#include "test_themes_and_sounds.moc"
