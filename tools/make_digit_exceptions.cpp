// Generates crypto/U_KV_Hash_Standard_01_Digits_Exceptions.cpp: the arguments
// |x| < 2^32 where the software model of FSIN or FCOS would change a digit
// that a digit step reads, with the correction that gives the x87 value.
//
// Every argument is evaluated both ways: the x87 unit's value and the
// model's, both rendered to their 18 digits (the x87 rendering with x87
// arithmetic, the model's with the software one). Where the values differ,
// the digits of every step reading that function are compared; where they
// differ too, the argument goes into the table. The square root is compared
// in full on the way. Any disagreement the table cannot mend (a rendering
// that differs for equal values, a square root that differs) stops the run.
//
// The 2^32 arguments are cut into chunks; each finished chunk is kept in the
// state directory, so an interrupted run resumes where it stopped. Run it on
// a spare core or two, e.g.
//   nice -n 19 build/tools/keyvale_make_digit_exceptions --state digit-state
//       --threads 2 --write crypto/U_KV_Hash_Standard_01_Digits_Exceptions.cpp
// The table always holds the contiguous prefix of finished chunks; with
// --below 0 the tool compares nothing and only writes the table.

#include "U_KV_Hash_Standard_01_Digits_Paths.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr std::uint64_t kArgumentLimit = std::uint64_t{1} << 32;
constexpr std::uint64_t kChunkSize = std::uint64_t{1} << 22;
constexpr std::uint64_t kChunkCount = kArgumentLimit / kChunkSize;

// The characters from which the steps reading sine and cosine take their
// slices (KvSinDigits9/10/12 and KvCosDigits9/10/11/12).
constexpr int kSineSlices[] = {9, 8, 6};
constexpr int kCosineSlices[] = {9, 8, 7, 6};

struct Counts {
    std::uint64_t arguments = 0;
    std::uint64_t sinValuesDiffer = 0;
    std::uint64_t cosValuesDiffer = 0;
    std::uint64_t sinDigitsDiffer = 0; // table entries
    std::uint64_t cosDigitsDiffer = 0;
    std::uint64_t largestSteps = 0; // largest |steps| between the model and x87

    void Add(const Counts& o) {
        arguments += o.arguments;
        sinValuesDiffer += o.sinValuesDiffer;
        cosValuesDiffer += o.cosValuesDiffer;
        sinDigitsDiffer += o.sinDigitsDiffer;
        cosDigitsDiffer += o.cosDigitsDiffer;
        largestSteps = std::max(largestSteps, o.largestSteps);
    }
};

struct Entry {
    std::uint32_t argument;
    std::int64_t steps;
};

struct ChunkResult {
    Counts counts;
    std::vector<Entry> sin;
    std::vector<Entry> cos;
};

[[noreturn]] void Fail(const std::string& what, std::uint64_t x) {
    std::cerr << "make_digit_exceptions: " << what << " at x = " << x << "\n";
    std::exit(1);
}

// Compares one function at x; returns true (and the steps) when the model's
// digits differ from the x87 unit's in a slice some step reads.
bool Compare(std::uint64_t x, long double x87Value, bool cosine, Counts& counts,
             std::int64_t& steps) {
    const KvExtended reference = KvX87ToExtended(std::fabs(x87Value));
    const KvExtended model = KvSoftSinCosModel(static_cast<KvUInt128>(x) << 65, cosine);
    const KvDecimal18 referenceDigits = KvX87ToDecimal18(std::fabs(x87Value));
    const KvDecimal18 modelDigits = KvSoftToDecimal18(model);
    if (reference == model) {
        if (!(referenceDigits == modelDigits)) {
            Fail("the software rendering differs from the x87 rendering", x);
        }
        return false;
    }
    ++(cosine ? counts.cosValuesDiffer : counts.sinValuesDiffer);
    if (reference.significand == 0 || model.significand == 0) {
        Fail("a zero on one side only", x);
    }
    bool differs = false;
    for (const int firstChar :
         cosine ? std::vector<int>(std::begin(kCosineSlices), std::end(kCosineSlices))
                : std::vector<int>(std::begin(kSineSlices), std::end(kSineSlices))) {
        differs |= KvTrigDigitSlice(referenceDigits, firstChar) !=
                   KvTrigDigitSlice(modelDigits, firstChar);
    }
    steps = KvExtendedStepsBetween(model, reference);
    counts.largestSteps =
        std::max(counts.largestSteps, static_cast<std::uint64_t>(std::llabs(steps)));
    if (differs) {
        ++(cosine ? counts.cosDigitsDiffer : counts.sinDigitsDiffer);
        if (!(KvSoftToDecimal18(KvExtendedStep(model, steps)) == referenceDigits)) {
            Fail("the corrected model does not render as the x87 value", x);
        }
    }
    return differs;
}

ChunkResult RunChunk(std::uint64_t chunk) {
    ChunkResult result;
    const std::uint64_t first = chunk * kChunkSize;
    for (std::uint64_t x = first; x < first + kChunkSize; ++x) {
        const auto argument = static_cast<long double>(x);
        std::int64_t steps = 0;
        if (Compare(x, KvX87Sin(argument), false, result.counts, steps)) {
            result.sin.push_back({static_cast<std::uint32_t>(x), steps});
        }
        if (Compare(x, KvX87Cos(argument), true, result.counts, steps)) {
            result.cos.push_back({static_cast<std::uint32_t>(x), steps});
        }
        const auto signedX = static_cast<std::int64_t>(x);
        if (!(KvX87SqrtDecimal(signedX) == KvSoftToDecimal18(KvExtendedSqrt(x + 1)))) {
            Fail("the software square root differs", x);
        }
        ++result.counts.arguments;
    }
    return result;
}

fs::path ChunkFile(const fs::path& state, std::uint64_t chunk) {
    char name[32];
    std::snprintf(name, sizeof name, "chunk-%04llu.txt", static_cast<unsigned long long>(chunk));
    return state / name;
}

void SaveChunk(const fs::path& state, std::uint64_t chunk, const ChunkResult& r) {
    const fs::path file = ChunkFile(state, chunk);
    const fs::path temporary = file.string() + ".tmp";
    {
        std::ofstream out(temporary);
        const Counts& c = r.counts;
        out << "counts " << c.arguments << ' ' << c.sinValuesDiffer << ' ' << c.cosValuesDiffer
            << ' ' << c.sinDigitsDiffer << ' ' << c.cosDigitsDiffer << ' ' << c.largestSteps
            << '\n';
        for (const Entry& e : r.sin) {
            out << "sin " << e.argument << ' ' << e.steps << '\n';
        }
        for (const Entry& e : r.cos) {
            out << "cos " << e.argument << ' ' << e.steps << '\n';
        }
        out << "end\n";
        if (!out) {
            Fail("cannot write " + temporary.string(), chunk * kChunkSize);
        }
    }
    fs::rename(temporary, file);
}

bool LoadChunk(const fs::path& state, std::uint64_t chunk, ChunkResult& r) {
    std::ifstream in(ChunkFile(state, chunk));
    if (!in) {
        return false;
    }
    std::string word;
    Counts& c = r.counts;
    in >> word >> c.arguments >> c.sinValuesDiffer >> c.cosValuesDiffer >> c.sinDigitsDiffer >>
        c.cosDigitsDiffer >> c.largestSteps;
    if (word != "counts") {
        return false;
    }
    while (in >> word && word != "end") {
        Entry e{};
        in >> e.argument >> e.steps;
        (word == "sin" ? r.sin : r.cos).push_back(e);
    }
    return word == "end";
}

std::string ProcessorModel() {
    std::ifstream in("/proc/cpuinfo");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("model name", 0) == 0) {
            const auto colon = line.find(':');
            return line.substr(colon + 2);
        }
    }
    return "unknown processor";
}

void AppendVarint(std::vector<std::uint8_t>& out, std::uint64_t value) {
    while (value >= 0x80) {
        out.push_back(static_cast<std::uint8_t>(value | 0x80));
        value >>= 7;
    }
    out.push_back(static_cast<std::uint8_t>(value));
}

std::vector<std::uint8_t> Encode(const std::vector<Entry>& entries) {
    std::vector<std::uint8_t> out;
    std::int64_t previous = -1;
    for (const Entry& e : entries) {
        AppendVarint(out, static_cast<std::uint64_t>(e.argument - previous));
        const auto zigzag =
            (static_cast<std::uint64_t>(e.steps) << 1) ^ static_cast<std::uint64_t>(e.steps >> 63);
        AppendVarint(out, zigzag);
        previous = e.argument;
    }
    return out;
}

void WriteArray(std::ostream& out, const char* name, const std::vector<std::uint8_t>& bytes) {
    out << "const std::uint8_t " << name << "[] = {";
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        out << (i % 20 == 0 ? "\n    " : " ") << static_cast<int>(bytes[i]) << ',';
    }
    if (bytes.empty()) {
        out << "0";
    }
    out << "\n};\n";
}

void WriteTable(const fs::path& path, const std::vector<Entry>& sin, const std::vector<Entry>& cos,
                std::uint64_t coveredBelow, const std::string& processor) {
    const auto sinBytes = Encode(sin);
    const auto cosBytes = Encode(cos);
    std::ofstream out(path);
    out << "// Generated by tools/make_digit_exceptions.cpp on " << processor << "; do not edit.\n"
        << "// Arguments compared: 0 ... " << coveredBelow << " - 1. Entries: " << sin.size()
        << " for the sine, " << cos.size() << " for the cosine.\n"
        << "#include \"U_KV_Hash_Standard_01_Digits_Paths.h\"\n\n"
        << "namespace {\n\n"
        << "// clang-format off\n";
    WriteArray(out, "kSinData", sinBytes);
    out << '\n';
    WriteArray(out, "kCosData", cosBytes);
    out << "// clang-format on\n\n"
        << "} // namespace\n\n"
        << "const KvDigitExceptionTable kKvSinExceptions = {kSinData, " << sinBytes.size() << ", "
        << sin.size() << "};\n"
        << "const KvDigitExceptionTable kKvCosExceptions = {kCosData, " << cosBytes.size() << ", "
        << cos.size() << "};\n"
        << "const std::uint64_t kKvExceptionsCoveredBelow = " << coveredBelow << ";\n"
        << "const char* const kKvExceptionsProcessor = \"" << processor << "\";\n";
    if (!out) {
        Fail("cannot write " + path.string(), 0);
    }
}

void Usage() {
    std::cerr << "usage: keyvale_make_digit_exceptions --state DIR [--threads N] [--below N]\n"
                 "                                     [--write FILE]\n"
                 "  compares arguments 0 ... N - 1 (default 2^32, a multiple of 2^22) in\n"
                 "  chunks kept in DIR, then writes the table of the finished chunks.\n";
    std::exit(2);
}

} // namespace

int main(int argc, char** argv) {
    fs::path state;
    fs::path output;
    unsigned threads = std::max(1u, std::thread::hardware_concurrency());
    std::uint64_t below = kArgumentLimit;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (i + 1 >= argc) {
            Usage();
        }
        const std::string value = argv[++i];
        if (option == "--state") {
            state = value;
        } else if (option == "--write") {
            output = value;
        } else if (option == "--threads") {
            threads = static_cast<unsigned>(std::stoul(value));
        } else if (option == "--below") {
            below = std::stoull(value);
        } else {
            Usage();
        }
    }
    if (state.empty() || threads == 0 || below > kArgumentLimit || below % kChunkSize != 0) {
        Usage();
    }
    fs::create_directories(state);
    const std::string processor = ProcessorModel();
    std::cout << "processor: " << processor << "\nthreads: " << threads << std::endl;
    if (below > 0) {
        std::cout << "arguments to compare: 0 ... " << below << " - 1 in chunks of " << kChunkSize
                  << std::endl;
    }

    const auto start = std::chrono::steady_clock::now();
    const std::uint64_t chunks = below / kChunkSize;
    std::atomic<std::uint64_t> next{0};
    std::mutex printing;
    std::vector<std::thread> workers;
    for (unsigned t = 0; t < threads; ++t) {
        workers.emplace_back([&] {
            for (std::uint64_t chunk = next++; chunk < chunks; chunk = next++) {
                if (fs::exists(ChunkFile(state, chunk))) {
                    continue;
                }
                const ChunkResult result = RunChunk(chunk);
                SaveChunk(state, chunk, result);
                const double seconds =
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
                std::lock_guard lock(printing);
                std::cout << "chunk " << chunk << " done (" << result.sin.size() << " sine, "
                          << result.cos.size() << " cosine entries) after " << seconds << " s"
                          << std::endl;
            }
        });
    }
    for (auto& w : workers) {
        w.join();
    }

    // The table holds the contiguous prefix of finished chunks.
    Counts total;
    std::vector<Entry> sin;
    std::vector<Entry> cos;
    std::uint64_t done = 0;
    for (; done < kChunkCount; ++done) {
        ChunkResult r;
        if (!LoadChunk(state, done, r)) {
            break;
        }
        total.Add(r.counts);
        sin.insert(sin.end(), r.sin.begin(), r.sin.end());
        cos.insert(cos.end(), r.cos.begin(), r.cos.end());
    }
    const std::uint64_t coveredBelow = done * kChunkSize;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::cout << "arguments compared: " << total.arguments << " (0 ... " << coveredBelow
              << " - 1)\n"
              << "sine:   values differ " << total.sinValuesDiffer << ", digits differ "
              << total.sinDigitsDiffer << "\n"
              << "cosine: values differ " << total.cosValuesDiffer << ", digits differ "
              << total.cosDigitsDiffer << "\n"
              << "largest distance between model and x87 value: " << total.largestSteps
              << " steps\nsquare root and rendering: no difference\n"
              << "running time of this run: " << seconds << " s" << std::endl;
    if (!output.empty()) {
        WriteTable(output, sin, cos, coveredBelow, processor);
        std::cout << "wrote " << output << std::endl;
    }
    return 0;
}
