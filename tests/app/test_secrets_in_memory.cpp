// No secret outlives its use in the program's memory: after the main password
// has opened a database and the user has moved from one record to another,
// neither the main password nor the first record's password may be found in
// any private writable mapping of the process (heap, anonymous memory, stacks,
// library data), freed or not.
//
// The test plays the user with real keys and clicks, then reads its own
// memory through /proc/self/mem and counts the copies. Each round uses fresh
// random passwords, so a hit cannot be chance. The test never holds a
// password itself: it keeps each one masked by a random pad, builds the plain
// form only in a scratch mapping that the scan leaves out, and the database
// holding the records is written by a child process.
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include <sys/mman.h>
#include <sys/wait.h>

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>

#include "U_Keyvale_TreeView_Data_Fields.h"
#include "U_Secret_Text.h"
#include "U_Tree_Model.h"
#include "lifecycle_fixture.h"
#include "private_x_server.h"

namespace {

constexpr int kRounds = 12;
constexpr std::size_t kSecretLength = 24;

// A memory mapping that the scan skips: the plain passwords, the needles and
// the scan's read buffer live here and nowhere else.
class TScratch {
  public:
    static constexpr std::size_t kSize = 4 << 20;
    TScratch() {
        base_ = static_cast<char*>(
            mmap(nullptr, kSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    }
    ~TScratch() { munmap(base_, kSize); }
    char* Base() const { return base_; }
    bool Holds(std::uintptr_t start, std::uintptr_t end) const {
        const auto base = reinterpret_cast<std::uintptr_t>(base_);
        return start < base + kSize && base < end;
    }
    // The first bytes hold the needles; the rest is the read buffer.
    static constexpr std::size_t kNeedleArea = 4096;
    char* Buffer() const { return base_ + kNeedleArea; }
    static constexpr std::size_t kBufferSize = kSize - kNeedleArea;

  private:
    char* base_ = nullptr;
};

// A random password of letters and digits kept only as a pad and the
// password masked by it; neither shows the password.
class TMaskedSecret {
  public:
    explicit TMaskedSecret(std::mt19937_64& random) {
        static constexpr char kAlphabet[] =
            "ABCDEFGHJKLMNPQRSTUVWXYZabcdefghijkmnopqrstuvwxyz23456789";
        std::uniform_int_distribution<int> letter(0, sizeof(kAlphabet) - 2);
        std::uniform_int_distribution<int> byte(1, 255);
        for (std::size_t i = 0; i < kSecretLength; ++i) {
            pad_[i] = static_cast<char>(byte(random));
            masked_[i] = static_cast<char>(kAlphabet[letter(random)] ^ pad_[i]);
        }
    }
    // Writes the password's UTF-8 (or UTF-16 when wide) to `out`; returns
    // its size in bytes.
    std::size_t Write(char* out, bool wide) const {
        for (std::size_t i = 0; i < kSecretLength; ++i) {
            const char c = static_cast<char>(masked_[i] ^ pad_[i]);
            if (wide) {
                out[2 * i] = c;
                out[2 * i + 1] = 0;
            } else {
                out[i] = c;
            }
        }
        return wide ? 2 * kSecretLength : kSecretLength;
    }

  private:
    std::array<char, kSecretLength> pad_{};
    std::array<char, kSecretLength> masked_{};
};

struct TMapping {
    std::uintptr_t start = 0;
    std::uintptr_t end = 0;
    char name[64] = {};
};

// Where the copies of one needle were found: "[heap]" 2, "anonymous" 1 ...
struct THits {
    int total = 0;
    QStringList places;
};

// Every private writable mapping of the process, read before the scan
// starts so that reading it allocates nothing in between.
std::vector<TMapping> WritableMappings() {
    std::vector<TMapping> mappings;
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line)) {
        std::istringstream fields(line);
        std::string range, perms, offset, device, inode, path;
        fields >> range >> perms >> offset >> device >> inode;
        std::getline(fields >> std::ws, path);
        if (perms.size() < 4 || perms[0] != 'r' || perms[1] != 'w' || perms[3] != 'p') {
            continue;
        }
        TMapping mapping;
        mapping.start = std::stoull(range.substr(0, range.find('-')), nullptr, 16);
        mapping.end = std::stoull(range.substr(range.find('-') + 1), nullptr, 16);
        const std::string name = path.empty() ? "anonymous" : path.substr(path.rfind('/') + 1);
        std::strncpy(mapping.name, name.c_str(), sizeof(mapping.name) - 1);
        mappings.push_back(mapping);
    }
    return mappings;
}

// Counts the copies of each needle (kept in the scratch mapping) in every
// private writable mapping but the scratch one.
std::vector<THits> CountCopies(const TScratch& scratch,
                               const std::vector<std::pair<const char*, std::size_t>>& needles) {
    const std::vector<TMapping> mappings = WritableMappings();
    std::vector<THits> hits(needles.size());
    std::vector<std::vector<std::string>> where(needles.size());
    const int memory = open("/proc/self/mem", O_RDONLY | O_CLOEXEC);
    if (memory < 0) {
        return hits;
    }
    std::size_t longest = 0;
    for (const auto& needle : needles) {
        longest = std::max(longest, needle.second);
    }
    for (const TMapping& mapping : mappings) {
        if (scratch.Holds(mapping.start, mapping.end)) {
            continue;
        }
        // Chunks overlap by a needle's length, and a hit is counted only
        // where it starts inside the chunk's own part.
        for (std::uintptr_t at = mapping.start; at < mapping.end;) {
            const std::size_t want = std::min<std::size_t>(TScratch::kBufferSize, mapping.end - at);
            const ssize_t got = pread(memory, scratch.Buffer(), want, static_cast<off_t>(at));
            if (got <= 0) {
                break;
            }
            const auto size = static_cast<std::size_t>(got);
            const bool last = at + size >= mapping.end;
            const std::size_t own = last ? size : size - (longest - 1);
            for (std::size_t n = 0; n < needles.size(); ++n) {
                const auto [needle, length] = needles[n];
                for (const char* from = scratch.Buffer();
                     from + length <= scratch.Buffer() + size;) {
                    const char* hit = static_cast<const char*>(
                        memmem(from, scratch.Buffer() + size - from, needle, length));
                    if (hit == nullptr || static_cast<std::size_t>(hit - scratch.Buffer()) >= own) {
                        break;
                    }
                    ++hits[n].total;
                    where[n].push_back(mapping.name);
                    from = hit + 1;
                }
            }
            at += own;
        }
    }
    close(memory);
    for (std::size_t n = 0; n < needles.size(); ++n) {
        for (const std::string& name : where[n]) {
            hits[n].places << QString::fromStdString(name);
        }
    }
    return hits;
}

// What is looked for: each password in both encodings, whole and by its
// second half alone, which also finds a copy whose start the allocator has
// overwritten with its own bookkeeping when the block was freed.
struct TNeedle {
    const char* label;
    bool main; // the main password, else the first record's
    bool wide; // UTF-16, else UTF-8
    bool tail;
};
constexpr TNeedle kNeedles[] = {
    {"main UTF-8", true, false, false},    {"main UTF-8 half", true, false, true},
    {"main UTF-16", true, true, false},    {"main UTF-16 half", true, true, true},
    {"record UTF-16", false, true, false}, {"record UTF-16 half", false, true, true},
    {"record UTF-8", false, false, false}, {"record UTF-8 half", false, false, true},
};

// Builds the needles in the scratch mapping, counts them and wipes them.
std::vector<THits> CountSecrets(TScratch& scratch, const TMaskedSecret& mainPassword,
                                const TMaskedSecret& firstPassword) {
    std::vector<std::pair<const char*, std::size_t>> needles;
    char* at = scratch.Base();
    for (const TNeedle& needle : kNeedles) {
        const TMaskedSecret& secret = needle.main ? mainPassword : firstPassword;
        const std::size_t size = secret.Write(at, needle.wide);
        needles.emplace_back(needle.tail ? at + size / 2 : at, needle.tail ? size / 2 : size);
        at += 2 * kSecretLength;
    }
    std::vector<THits> hits = CountCopies(scratch, needles);
    std::memset(scratch.Base(), 0, static_cast<std::size_t>(at - scratch.Base()));
    return hits;
}

// Writes a database with the records "first" and "second" in a child
// process, so that no copy of the record password is made in this one.
bool WriteDatabase(const QString& path, const TMaskedSecret& mainPassword,
                   const TMaskedSecret& firstPassword) {
    const std::string file = path.toStdString();
    const pid_t child = fork();
    if (child == 0) {
        char plain[kSecretLength + 1] = {};
        TKeyvaleSession session;
        mainPassword.Write(plain, false);
        if (!session.Create(file, plain).Succeeded()) {
            _exit(1);
        }
        for (const char* name : {"first", "second"}) {
            TNodeHandle node = session.Tree().AddChild(kNoNode, name, kIconEmpty);
            TRecordFields fields;
            fields.login = std::string(name) + " login";
            if (std::strcmp(name, "first") == 0) {
                firstPassword.Write(plain, false);
                fields.password = plain;
            } else {
                fields.password = "an unremarkable second password";
            }
            SaveFolderDataToDataFolder(session.Tree(), node, fields);
        }
        session.MarkChanged();
        _exit(session.Save().Succeeded() ? 0 : 2);
    }
    int status = 0;
    return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

// Types the password key by key into the main password field; the typed
// text is overwritten afterwards.
void TypeSecret(QLineEdit* field, const TMaskedSecret& secret, TScratch& scratch) {
    const std::size_t size = secret.Write(scratch.Base(), false);
    QString typed = QString::fromLatin1(scratch.Base(), static_cast<qsizetype>(size));
    std::memset(scratch.Base(), 0, size);
    QTest::keyClicks(field, typed);
    std::fill(typed.data(), typed.data() + typed.size(), QChar(u' '));
}

void ClickRecord(TFormMain& window, const QString& name) {
    const TKeyvaleTreeModel& model = *o_TV_Main_Model(window);
    for (int row = 0; row < model.rowCount({}); ++row) {
        const QModelIndex index = model.index(row, 0, {});
        if (index.data().toString() == name) {
            const QRect rect = o_TV_Main(window)->visualRect(index);
            QTest::mouseClick(o_TV_Main(window)->viewport(), Qt::LeftButton, {}, rect.center());
            return;
        }
    }
    QFAIL(qPrintable("no record " + name));
}

} // namespace

class TestSecretsInMemory : public QObject {
    Q_OBJECT
  private slots:
    // Freed blocks are often reused before anyone looks, so the round trip
    // below can pass by luck; this checks the wiping itself, on buffers that
    // are still alive and may be read.
    void aFieldsBuffersAreWipedUnlessSomeoneElseHoldsThem() {
        for (const auto echo : {QLineEdit::Normal, QLineEdit::Password}) {
            QLineEdit field;
            field.setEchoMode(echo);
            QTest::keyClicks(&field, QStringLiteral("field secret 4711"));
            const QChar* text = field.text().constData();
            const QChar* shown = field.displayText().constData();
            WipeFieldTexts({&field});
            QCOMPARE(QStringView(text, 16), QString(16, QChar(0)));
            QCOMPARE(QStringView(shown, 16), QString(16, QChar(0)));

            // A copy taken by someone else (the clipboard's data) keeps its text.
            field.setText(QStringLiteral("clipboard secret"));
            const QString taken = field.text();
            WipeFieldTexts({&field});
            QCOMPARE(taken, QStringLiteral("clipboard secret"));

            ClearSecretField(&field);
            QVERIFY(field.text().isEmpty());
            QVERIFY(!field.isUndoAvailable());
        }
        // Literal text is never written.
        const QString literal = QStringLiteral("literal");
        WipeSharedText(literal);
        QCOMPARE(literal, QLatin1String("literal"));
    }

    void passwordsLeaveNoCopyAfterOpeningAndMovingOn() {
        TScratch scratch;
        QVERIFY(scratch.Base() != MAP_FAILED);
        std::mt19937_64 random{std::random_device{}()};

        // The scan finds a copy that is there: one planted on the heap.
        const TMaskedSecret planted(random);
        char* copy = static_cast<char*>(std::malloc(kSecretLength));
        planted.Write(copy, false);
        const std::size_t size = planted.Write(scratch.Base(), false);
        QCOMPARE(CountCopies(scratch, {{scratch.Base(), size}})[0].total, 1);
        explicit_bzero(copy, kSecretLength);
        std::free(copy);
        QCOMPARE(CountCopies(scratch, {{scratch.Base(), size}})[0].total, 0);
        std::memset(scratch.Base(), 0, size);

        std::array<int, std::size(kNeedles)> totals{};
        for (int round = 1; round <= kRounds; ++round) {
            const TMaskedSecret mainPassword(random);
            const TMaskedSecret firstPassword(random);
            // Every other round the user opens the eye on the first record.
            const bool showFirst = round % 2 == 0;
            TLifecycleFixture fixture;
            const QString path = fixture.Path(QStringLiteral("memory.kvdb"));
            QVERIFY(WriteDatabase(path, mainPassword, firstPassword));
            {
                std::unique_ptr<TFormMain> window = fixture.NewWindow();
                Choose(*window, path);
                QCOMPARE(window->PasswordPanelMode(), TPasswordMode::Open);
                TypeSecret(F_MP1(*window), mainPassword, scratch);
                QTest::keyClick(F_MP1(*window), Qt::Key_Return);
                QCOMPARE(window->DatabaseFile(), path);
                ClickRecord(*window, QStringLiteral("first"));
                QCOMPARE(F_Login(*window)->text(), QStringLiteral("first login"));
                if (showFirst) {
                    QTest::mouseClick(b_Password_Show(*window), Qt::LeftButton);
                    QCOMPARE(F_Password(*window)->echoMode(), QLineEdit::Normal);
                }
                ClickRecord(*window, QStringLiteral("second"));
                QCOMPARE(F_Login(*window)->text(), QStringLiteral("second login"));
                QCoreApplication::processEvents();

                const std::vector<THits> hits = CountSecrets(scratch, mainPassword, firstPassword);
                QStringList line;
                for (std::size_t n = 0; n < std::size(kNeedles); ++n) {
                    line << QStringLiteral("%1 %2%3")
                                .arg(QLatin1String(kNeedles[n].label))
                                .arg(hits[n].total)
                                .arg(hits[n].places.isEmpty()
                                         ? QString()
                                         : " (" + hits[n].places.join(',') + ")");
                    totals[n] += hits[n].total;
                }
                qInfo("round %2d%s: %s", round, showFirst ? " (eye open)" : "",
                      qPrintable(line.join("; ")));
            }
        }
        for (std::size_t n = 0; n < std::size(kNeedles); ++n) {
            QVERIFY2(totals[n] == 0, kNeedles[n].label);
        }
    }
};
// On an X server (a private Xvfb) when there is one, as the program runs on
// a desktop; offscreen otherwise.
int main(int argc, char** argv) {
    return RunOnPrivateXServer<TestSecretsInMemory>(argc, argv);
}
#include "test_secrets_in_memory.moc"
