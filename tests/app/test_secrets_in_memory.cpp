// No secret outlives its use in the program's memory: after the main password
// has opened a database and the user has moved from one record to another,
// neither the main password nor the first record's password may be found in
// any private writable mapping of the process (heap, anonymous memory, stacks,
// library data), freed or not. Nor may the passwords (and a Bitwarden file's
// hidden fields) of an import made in the window, once the user has moved on
// to another record, nor the fields of the records the import's plan read.
//
// The test plays the user with real keys and clicks, then reads its own
// memory through /proc/self/mem and counts the copies. Each round uses fresh
// random passwords, so a hit cannot be chance. The test never holds a
// password itself: it keeps each one masked by a random pad, builds the plain
// form only in a scratch mapping that the scan leaves out, and the database
// holding the records is written by a child process.
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include <sys/mman.h>
#include <sys/wait.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <fstream>
#include <functional>
#include <random>
#include <set>
#include <sstream>

#include "U_Import_Preview_Dialog.h"
#include "U_Keyvale_TreeView_Data_Fields.h"
#include "U_Secret_Text.h"
#include "U_Tree_Model.h"
#include "lifecycle_fixture.h"
#include "private_x_server.h"
#include "when_modal.h"

namespace {

constexpr int kRounds = 12;
constexpr std::size_t kSecretLength = 24;
constexpr std::size_t kLongestSecret = 48;

// A memory mapping that the scan skips: the plain passwords, the needles,
// the scan's index of them and its read buffer live here and nowhere else.
class TScratch {
  public:
    static constexpr std::size_t kSize = 24 << 20;
    static constexpr std::size_t kNeedleArea = 2 << 20; // the needles, from the start
    static constexpr std::size_t kIndexArea = 1 << 20;  // their first bytes, sorted
    static constexpr std::size_t kFilterBits = 1 << 20; // a bit per hash of first bytes
    static constexpr std::size_t kBufferStart = 4 << 20;
    static constexpr std::size_t kBufferSize = kSize - kBufferStart;
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
    char* Index() const { return base_ + kNeedleArea; }
    std::uint8_t* Filter() const {
        return reinterpret_cast<std::uint8_t*>(base_ + kNeedleArea + kIndexArea);
    }
    char* Buffer() const { return base_ + kBufferStart; }
    void WipeNeedles() const { std::memset(base_, 0, kBufferStart); }

  private:
    char* base_ = nullptr;
};

// A random password of letters and digits kept only as a pad and the
// password masked by it; neither shows the password.
class TMaskedSecret {
  public:
    explicit TMaskedSecret(std::mt19937_64& random, std::size_t length = kSecretLength)
        : length_(std::min(length, kLongestSecret)) {
        static constexpr char kAlphabet[] =
            "ABCDEFGHJKLMNPQRSTUVWXYZabcdefghijkmnopqrstuvwxyz23456789";
        std::uniform_int_distribution<int> letter(0, sizeof(kAlphabet) - 2);
        std::uniform_int_distribution<int> byte(1, 255);
        for (std::size_t i = 0; i < length_; ++i) {
            pad_[i] = static_cast<char>(byte(random));
            masked_[i] = static_cast<char>(kAlphabet[letter(random)] ^ pad_[i]);
        }
    }
    std::size_t Length() const { return length_; }
    // Writes the password's UTF-8 (or UTF-16 when wide) to `out`; returns
    // its size in bytes.
    std::size_t Write(char* out, bool wide) const {
        for (std::size_t i = 0; i < length_; ++i) {
            const char c = static_cast<char>(masked_[i] ^ pad_[i]);
            if (wide) {
                out[2 * i] = c;
                out[2 * i + 1] = 0;
            } else {
                out[i] = c;
            }
        }
        return wide ? 2 * length_ : length_;
    }
    // Only in a child process that writes a file and ends.
    std::string Plain() const {
        std::string plain(length_, ' ');
        Write(plain.data(), false);
        return plain;
    }

  private:
    std::size_t length_;
    std::array<char, kLongestSecret> pad_{};
    std::array<char, kLongestSecret> masked_{};
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

// Needles are at least this long; their first bytes find the candidates.
constexpr std::size_t kPrefix = 8;

std::uint64_t PrefixAt(const char* at) {
    std::uint64_t prefix = 0;
    std::memcpy(&prefix, at, kPrefix);
    return prefix;
}

std::size_t FilterBit(std::uint64_t prefix) {
    return static_cast<std::size_t>((prefix * 0x9E3779B97F4A7C15ull) >> 44) % TScratch::kFilterBits;
}

// One entry of the scan's index, kept in the scratch mapping (it holds the
// needles' first bytes).
struct TIndexEntry {
    std::uint64_t prefix;
    std::uint32_t needle;
};

// Counts the copies of each needle (kept in the scratch mapping, at least
// kPrefix bytes long) in every private writable mapping but the scratch one.
// A position is looked at closer only when a filter over the needles' first
// bytes lets it through, so a thousand needles cost one pass.
std::vector<THits> CountCopies(const TScratch& scratch,
                               const std::vector<std::pair<const char*, std::size_t>>& needles) {
    const std::vector<TMapping> mappings = WritableMappings();
    std::vector<THits> hits(needles.size());
    std::vector<std::vector<const char*>> where(needles.size());
    auto* index = reinterpret_cast<TIndexEntry*>(scratch.Index());
    std::uint8_t* filter = scratch.Filter();
    std::memset(filter, 0, TScratch::kFilterBits / 8);
    std::size_t longest = kPrefix;
    for (std::size_t n = 0; n < needles.size(); ++n) {
        const std::uint64_t prefix = PrefixAt(needles[n].first);
        index[n] = {prefix, static_cast<std::uint32_t>(n)};
        filter[FilterBit(prefix) / 8] |= static_cast<std::uint8_t>(1u << (FilterBit(prefix) % 8));
        longest = std::max(longest, needles[n].second);
    }
    TIndexEntry* const indexEnd = index + needles.size();
    std::sort(index, indexEnd,
              [](const TIndexEntry& a, const TIndexEntry& b) { return a.prefix < b.prefix; });
    const int memory = open("/proc/self/mem", O_RDONLY | O_CLOEXEC);
    if (memory < 0) {
        return hits;
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
            const char* buffer = scratch.Buffer();
            for (std::size_t p = 0; p < own && p + kPrefix <= size; ++p) {
                const std::uint64_t prefix = PrefixAt(buffer + p);
                const std::size_t bit = FilterBit(prefix);
                if ((filter[bit / 8] & (1u << (bit % 8))) == 0) {
                    continue;
                }
                const TIndexEntry* entry = std::lower_bound(
                    index, indexEnd, prefix,
                    [](const TIndexEntry& e, std::uint64_t value) { return e.prefix < value; });
                for (; entry != indexEnd && entry->prefix == prefix; ++entry) {
                    const auto [needle, length] = needles[entry->needle];
                    if (p + length <= size && std::memcmp(buffer + p, needle, length) == 0) {
                        ++hits[entry->needle].total;
                        where[entry->needle].push_back(mapping.name);
                    }
                }
            }
            at += own;
        }
    }
    close(memory);
    std::memset(scratch.Index(), 0, TScratch::kIndexArea);
    for (std::size_t n = 0; n < needles.size(); ++n) {
        for (const char* name : where[n]) {
            hits[n].places << QString::fromLatin1(name);
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

// The secrets of an import round, by group: each is looked for whole, but
// its first character, and (when long enough) from its 17th byte on, past
// what the allocator writes into a block it frees.
struct TSecretGroup {
    QString label;
    const std::vector<TMaskedSecret>* secrets;
    bool wide; // also looked for in UTF-16
};

// What was found of one group: how many of its secrets, how many of those
// of 15 bytes or less (a string keeps them inside itself), and where.
struct TGroupFindings {
    int found = 0;
    int shortFound = 0;
    int shortCount = 0;
    std::set<QString> places;
    QStringList first; // the numbers of the first few found
};

std::vector<TGroupFindings> CountGroups(TScratch& scratch,
                                        const std::vector<TSecretGroup>& groups) {
    std::vector<std::pair<const char*, std::size_t>> needles;
    std::vector<std::pair<std::size_t, std::size_t>> owners; // group, secret
    char* at = scratch.Base();
    const auto add = [&](const char* from, std::size_t size, std::size_t group, std::size_t k) {
        if (size >= kPrefix) {
            needles.emplace_back(from, size);
            owners.emplace_back(group, k);
        }
    };
    for (std::size_t g = 0; g < groups.size(); ++g) {
        for (std::size_t k = 0; k < groups[g].secrets->size(); ++k) {
            for (const bool wide : {false, true}) {
                if (wide && !groups[g].wide) {
                    continue;
                }
                const std::size_t size = (*groups[g].secrets)[k].Write(at, wide);
                const std::size_t unit = wide ? 2 : 1;
                add(at, size, g, k);
                add(at + unit, size - unit, g, k);
                if (size > 16) {
                    add(at + 16, size - 16, g, k);
                }
                at += size;
            }
        }
    }
    const std::vector<THits> hits = CountCopies(scratch, needles);
    scratch.WipeNeedles();
    std::vector<TGroupFindings> findings(groups.size());
    std::vector<std::set<std::size_t>> found(groups.size());
    for (std::size_t n = 0; n < needles.size(); ++n) {
        const auto [g, k] = owners[n];
        if (hits[n].total > 0) {
            found[g].insert(k);
            findings[g].places.insert(hits[n].places.begin(), hits[n].places.end());
        }
    }
    for (std::size_t g = 0; g < groups.size(); ++g) {
        for (std::size_t k = 0; k < groups[g].secrets->size(); ++k) {
            const bool isShort = (*groups[g].secrets)[k].Length() <= 15;
            findings[g].shortCount += isShort ? 1 : 0;
            if (found[g].count(k) != 0) {
                if (findings[g].first.size() < 5) {
                    findings[g].first << QString::number(k + 1);
                }
                ++findings[g].found;
                findings[g].shortFound += isShort ? 1 : 0;
            }
        }
    }
    return findings;
}

// Writes a database with the records "first" and "second" in a child
// process, so that no copy of the record password (nor of the note, when
// one is given) is made in this one.
bool WriteDatabase(const QString& path, const TMaskedSecret& mainPassword,
                   const TMaskedSecret& firstPassword, const TMaskedSecret* firstNote = nullptr) {
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
                if (firstNote != nullptr) {
                    fields.note = "The note: " + firstNote->Plain();
                }
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

// An export of `passwords.size()` logins, written by a child process: a
// Chrome CSV file, or a Bitwarden JSON file whose items also carry a hidden
// field each.
bool WriteImportFile(const QString& path, bool json, const std::vector<TMaskedSecret>& passwords,
                     const std::vector<TMaskedSecret>& hidden) {
    const std::string file = path.toStdString();
    const pid_t child = fork();
    if (child == 0) {
        std::string text = json ? "{\"encrypted\": false, \"folders\": [], \"items\": ["
                                : "name,url,username,password,note\r\n";
        for (std::size_t i = 0; i < passwords.size(); ++i) {
            const std::string n = std::to_string(i + 1);
            if (!json) {
                text += "site " + n + ",https://site-" + n + ".example,user " + n + "," +
                        passwords[i].Plain() + ",\r\n";
                continue;
            }
            text += std::string(i == 0 ? "" : ",") + "{\"id\": \"" + n +
                    "\", \"type\": 1, \"name\": \"site " + n +
                    "\", \"notes\": null, \"favorite\": false, \"fields\": [{\"name\": \"PIN\", "
                    "\"value\": \"" +
                    hidden[i].Plain() +
                    "\", \"type\": 1}], \"login\": {\"uris\": [{\"match\": null, \"uri\": "
                    "\"https://site-" +
                    n + ".example\"}], \"username\": \"user " + n + "\", \"password\": \"" +
                    passwords[i].Plain() + "\", \"totp\": null}}";
        }
        text += json ? "]}\n" : "";
        std::ofstream out(file, std::ios::binary);
        out << text;
        out.close();
        _exit(out ? 0 : 1);
    }
    int status = 0;
    return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

// The user's way to an import: Ctrl+I on the tree, the file's path in the
// file dialog, then Import (or Cancel) in the preview.
void ImportInWindow(TFormMain& window, const QString& file, bool cancel) {
    bool answered = false;
    WhenModal<QFileDialog>(
        &window,
        [&](QFileDialog* dialog) {
            auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
            auto* box = dialog->findChild<QDialogButtonBox*>("buttonBox");
            QVERIFY(name && box);
            name->setText(file);
            QTest::mouseClick(box->button(QDialogButtonBox::Open), Qt::LeftButton);
        },
        10000);
    WhenModal<TImportPreviewDialog>(
        &window,
        [&](TImportPreviewDialog* preview) {
            auto* import = preview->findChild<QPushButton*>("b_Import");
            auto* close = preview->findChild<QPushButton*>("b_Import_Cancel");
            QVERIFY(import && close);
            QTRY_VERIFY(import->isEnabled());
            QTest::mouseClick(cancel ? close : import, Qt::LeftButton);
            answered = true;
        },
        10000);
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    o_TV_Main(window)->setFocus();
    QTest::keyClick(o_TV_Main(window), Qt::Key_I, Qt::ControlModifier);
    QTRY_VERIFY_WITH_TIMEOUT(answered, 20000);
    QTRY_VERIFY(QApplication::activeModalWidget() == nullptr);
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
                QCOMPARE(PasswordPanelShows(*window), TPasswordMode::Open);
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

    // An import of 300 logins made in the window (or only previewed), then
    // another record selected: no password of the file (of 9 to 40
    // characters, so that both short strings and grown ones are among them),
    // no hidden field of a Bitwarden item and no field of the record the
    // import's plan read may be left.
    void importedPasswordsLeaveNoCopyAfterMovingOn_data() {
        QTest::addColumn<bool>("json");
        QTest::addColumn<bool>("cancel");
        QTest::newRow("Chrome CSV") << false << false;
        QTest::newRow("Bitwarden JSON") << true << false;
        QTest::newRow("Chrome CSV, preview cancelled") << false << true;
    }
    void importedPasswordsLeaveNoCopyAfterMovingOn() {
        QFETCH(bool, json);
        QFETCH(bool, cancel);
        constexpr std::size_t kImported = 300;
        TScratch scratch;
        QVERIFY(scratch.Base() != MAP_FAILED);
        std::mt19937_64 random{std::random_device{}()};
        const std::vector<TMaskedSecret> mainPassword{TMaskedSecret(random)};
        const std::vector<TMaskedSecret> first{TMaskedSecret(random), TMaskedSecret(random, 40)};
        std::vector<TMaskedSecret> passwords;
        std::vector<TMaskedSecret> hidden;
        for (std::size_t i = 0; i < kImported; ++i) {
            passwords.emplace_back(random, 9 + i % 32);
            hidden.emplace_back(random, 9 + (i * 7) % 32);
        }

        TLifecycleFixture fixture;
        const QString path = fixture.Path(QStringLiteral("memory.kvdb"));
        QVERIFY(WriteDatabase(path, mainPassword[0], first[0], &first[1]));
        const QString file =
            fixture.Path(json ? QStringLiteral("export.json") : QStringLiteral("export.csv"));
        QVERIFY(WriteImportFile(file, json, passwords, hidden));

        std::unique_ptr<TFormMain> window = fixture.NewWindow();
        Choose(*window, path);
        TypeSecret(F_MP1(*window), mainPassword[0], scratch);
        QTest::keyClick(F_MP1(*window), Qt::Key_Return);
        QCOMPARE(window->DatabaseFile(), path);
        ImportInWindow(*window, file, cancel);
        // first, second and the import's folder
        QCOMPARE(o_TV_Main_Model(*window)->rowCount({}), cancel ? 2 : 3);
        if (!cancel) {
            Fire(*o_Timer_SAVE_Database(*window));
        }
        ClickRecord(*window, QStringLiteral("second"));
        QCOMPARE(F_Login(*window)->text(), QStringLiteral("second login"));
        QCoreApplication::processEvents();

        std::vector<TSecretGroup> groups = {
            {QStringLiteral("imported passwords"), &passwords, false},
            {QStringLiteral("main password"), &mainPassword, true},
            {QStringLiteral("the first record's password and note"), &first, true},
        };
        if (json) {
            groups.push_back({QStringLiteral("hidden fields"), &hidden, false});
        }
        const std::vector<TGroupFindings> findings = CountGroups(scratch, groups);
        QStringList failures;
        for (std::size_t g = 0; g < groups.size(); ++g) {
            const TGroupFindings& found = findings[g];
            const QString line =
                QStringLiteral("%1: %2 of %3 found (%4 of the %5 of 15 bytes or less)%6%7")
                    .arg(groups[g].label)
                    .arg(found.found)
                    .arg(groups[g].secrets->size())
                    .arg(found.shortFound)
                    .arg(found.shortCount)
                    .arg(found.places.empty()
                             ? QString()
                             : " in " +
                                   QStringList(found.places.begin(), found.places.end()).join(','))
                    .arg(found.first.isEmpty() ? QString()
                                               : ", first of them number " + found.first.join(','));
            qInfo("%s", qPrintable(line));
            if (found.found != 0) {
                failures << line;
            }
        }
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join("; ")));
    }
};
// On an X server (a private Xvfb) when there is one, as the program runs on
// a desktop; offscreen otherwise.
int main(int argc, char** argv) {
    return RunOnPrivateXServer<TestSecretsInMemory>(argc, argv);
}
#include "test_secrets_in_memory.moc"
