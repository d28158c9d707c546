// keyvale-cli hash and digest: the KV hash from a terminal.
#include "U_KV_Hash_Standard_01.h"
#include "cli_commands.h"
#include "cli_database_common.h"
#include "cli_files.h"
#include "cli_terminal.h"

#include <iostream>

namespace {

constexpr long long kMinimumLength = 10;
constexpr long long kMaximumLength = 1000;
constexpr long long kDefaultLength = 30;

int RunHash(const cli::ParsedArguments& args) {
    long long length = kDefaultLength;
    if (auto text = args.Value("length")) {
        auto parsed = cli::ParseNumber(*text, kMinimumLength, kMaximumLength);
        if (!parsed) {
            return cli::Fail(
                "hash", "the length must be a whole number from 10 to 1000, not \"" + *text + "\".",
                cli::kExitUsage);
        }
        length = *parsed;
    }
    std::string passphrase;
    if (cli::StdinIsTerminal()) {
        passphrase = cli::ReadSecretLine("Passphrase: ").value_or("");
    } else if (std::string problem = cli::ReadInputFile("-", passphrase); !problem.empty()) {
        return cli::Fail("hash", "cannot read the passphrase: " + problem, cli::kExitRuntimeError);
    }
    std::string h62, h64, h90;
    KvHashText(passphrase, static_cast<std::uint16_t>(length), h62, h64, h90);
    KvSecureWipe(passphrase);
    std::cout << "KV hash 62: " << h62 << "\n"
              << "KV hash 64: " << h64 << "\n"
              << "KV hash 90: " << h90 << "\n";
    return cli::kExitOk;
}

int RunDigest(const cli::ParsedArguments& args) {
    long long mode = 1;
    if (auto text = args.Value("mode")) {
        auto parsed = cli::ParseNumber(*text, 0, 5);
        if (!parsed) {
            return cli::Fail("digest", "the mode must be 0 to 5, not \"" + *text + "\".",
                             cli::kExitUsage);
        }
        mode = *parsed;
    }
    const std::string file = args.positional.empty() ? "-" : args.positional[0];
    std::string bytes;
    if (std::string problem = cli::ReadInputFile(file, bytes); !problem.empty()) {
        return cli::Fail("digest", "cannot read " + file + ": " + problem, cli::kExitRuntimeError);
    }
    if (bytes.empty()) {
        return cli::Fail("digest", "the input is empty; the KV hash has no digest of nothing.",
                         cli::kExitRuntimeError);
    }
    TByteArray digest;
    KvHashDigest(TByteArray(bytes.begin(), bytes.end()), static_cast<std::uint8_t>(mode), digest);
    std::string hex(digest.size() * 2, '0');
    static constexpr char kDigits[] = "0123456789abcdef";
    for (std::size_t i = 0; i < digest.size(); ++i) {
        hex[2 * i] = kDigits[digest[i] >> 4];
        hex[2 * i + 1] = kDigits[digest[i] & 15];
    }
    std::cout << hex << "  " << file << "\n";
    return cli::kExitOk;
}

const cli::CliRegistration hashCommand({
    "hash",
    "",
    "the KV hash 62/64/90 forms of a passphrase",
    "Reads a passphrase and prints its KV hash forms, as the calculator shows them:\n"
    "  KV hash 62: ...\n  KV hash 64: ...\n  KV hash 90: ...\n"
    "On a terminal the passphrase is typed without echo; otherwise the whole of\n"
    "standard input is the passphrase, byte for byte (mind a trailing newline).\n"
    "An empty passphrase gives three empty forms.\n",
    {{"length", 'l', cli::TOptionValue::Required, "N", "characters per form, 10 to 1000 (30)"}},
    0,
    0,
    RunHash,
});

const cli::CliRegistration digestCommand({
    "digest",
    "[FILE]",
    "the 1000-byte KV hash digest of a file, as hex",
    "Prints the 1000-byte KV hash digest of FILE (or of standard input when FILE\n"
    "is missing or \"-\") as 2000 lowercase hex digits, followed by the file name.\n",
    {{"mode", 'm', cli::TOptionValue::Required, "M", "digest mode 1 to 5, 0 counts as 1 (1)"}},
    0,
    1,
    RunDigest,
});

} // namespace
