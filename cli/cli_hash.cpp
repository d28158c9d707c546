// keyvale-cli hash and digest: the KV hash from a terminal.
#include "U_KV_Hash_Standard_01.h"
#include "cli_commands.h"
#include "cli_terminal.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>

namespace {

constexpr long long kMinimumLength = 10;
constexpr long long kMaximumLength = 1000;
constexpr long long kDefaultLength = 30;

int RunHash(const std::vector<std::string>& args) {
    long long length = kDefaultLength;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--length" && i + 1 < args.size()) {
            const auto parsed = cli::ParseInteger(args[++i]);
            if (!parsed || *parsed < kMinimumLength || *parsed > kMaximumLength) {
                std::cerr << "keyvale-cli hash: the length must be a whole number from 10 to 1000, "
                             "not \""
                          << args[i] << "\".\n";
                return cli::kExitUsage;
            }
            length = *parsed;
        } else {
            std::cerr << "keyvale-cli hash: unexpected argument \"" << args[i]
                      << "\". Usage: keyvale-cli hash [--length N]\n";
            return cli::kExitUsage;
        }
    }

    std::string passphrase;
    if (cli::StdinIsTerminal()) {
        passphrase = cli::ReadSecretLine("Passphrase: ").value_or("");
    } else {
        passphrase = cli::ReadAllStdin();
    }

    std::string h62, h64, h90;
    KvHashText(passphrase, static_cast<std::uint16_t>(length), h62, h64, h90);
    std::cout << "KV hash 62: " << h62 << "\n"
              << "KV hash 64: " << h64 << "\n"
              << "KV hash 90: " << h90 << "\n";
    return cli::kExitOk;
}

int RunDigest(const std::vector<std::string>& args) {
    long long mode = 1;
    std::string file;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--mode" && i + 1 < args.size()) {
            const auto parsed = cli::ParseInteger(args[++i]);
            if (!parsed || *parsed < 0 || *parsed > 5) {
                std::cerr << "keyvale-cli digest: the mode must be 0 to 5, not \"" << args[i]
                          << "\".\n";
                return cli::kExitUsage;
            }
            mode = *parsed;
        } else if (file.empty() && (args[i] == "-" || args[i].rfind("--", 0) != 0)) {
            file = args[i];
        } else {
            std::cerr << "keyvale-cli digest: unexpected argument \"" << args[i]
                      << "\". Usage: keyvale-cli digest [--mode M] [FILE]\n";
            return cli::kExitUsage;
        }
    }

    std::string bytes;
    if (file.empty() || file == "-") {
        bytes = cli::ReadAllStdin();
    } else {
        std::ifstream in(file, std::ios::binary);
        if (!in) {
            std::cerr << "keyvale-cli digest: cannot read \"" << file << "\".\n";
            return cli::kExitRuntimeError;
        }
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (in.bad()) {
            std::cerr << "keyvale-cli digest: error while reading \"" << file << "\".\n";
            return cli::kExitRuntimeError;
        }
    }
    if (bytes.empty()) {
        std::cerr << "keyvale-cli digest: the input is empty; the KV hash has no digest of "
                     "nothing.\n";
        return cli::kExitRuntimeError;
    }

    TByteArray digest;
    KvHashDigest(TByteArray(bytes.begin(), bytes.end()), static_cast<std::uint8_t>(mode), digest);
    std::string hex(digest.size() * 2, '0');
    static constexpr char kDigits[] = "0123456789abcdef";
    for (std::size_t i = 0; i < digest.size(); ++i) {
        hex[2 * i] = kDigits[digest[i] >> 4];
        hex[2 * i + 1] = kDigits[digest[i] & 15];
    }
    std::cout << hex << "  " << (file.empty() ? "-" : file) << "\n";
    return cli::kExitOk;
}

const cli::CliRegistration hashCommand({
    "hash",
    "hash [--length N]          the KV hash 62/64/90 forms of a passphrase",
    "Usage: keyvale-cli hash [--length N]\n\n"
    "Reads a passphrase and prints its KV hash forms, as the calculator shows them:\n"
    "  KV hash 62: ...\n  KV hash 64: ...\n  KV hash 90: ...\n"
    "On a terminal the passphrase is typed without echo; otherwise the whole of\n"
    "standard input is the passphrase, byte for byte (mind a trailing newline).\n"
    "  --length N   characters per form, 10 to 1000 (default 30)\n"
    "An empty passphrase gives three empty forms.\n",
    RunHash,
});

const cli::CliRegistration digestCommand({
    "digest",
    "digest [--mode M] [FILE]   the 1000-byte KV hash digest of a file, as hex",
    "Usage: keyvale-cli digest [--mode M] [FILE]\n\n"
    "Prints the 1000-byte KV hash digest of FILE (or of standard input when FILE\n"
    "is missing or \"-\") as 2000 lowercase hex digits, followed by the file name.\n"
    "  --mode M     digest mode 1 to 5 (0 counts as 1; default 1)\n",
    RunDigest,
});

} // namespace
