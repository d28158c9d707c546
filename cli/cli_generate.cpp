// keyvale-cli generate: a password or a passphrase.
#include "cli_generate.h"

#include "U_KV_Hash_and_RAT_01.h"
#include "U_Keyvale_TreeView_Data_Record.h"
#include "cli_commands.h"
#include "cli_database_common.h"

#include <iostream>
#include <utility>

namespace cli {

namespace {

// The options of one mode only, and whether that mode is the passphrase.
constexpr std::pair<const char*, bool> kModeOptions[] = {
    {"length", false},         {"lower", false},   {"upper", false},
    {"digits", false},         {"symbols", false}, {"exclude", false},
    {"no-look-alikes", false}, {"words", true},    {"separator", true},
};

int ParsePassphraseRules(const ParsedArguments& args, TPassphraseRules& rules) {
    if (auto words = args.Value("words")) {
        auto parsed = ParseNumber(*words, kMinimumPassphraseWords, kMaximumPassphraseWords);
        if (!parsed) {
            return Fail("generate",
                        "the number of words must be a whole number from " +
                            std::to_string(kMinimumPassphraseWords) + " to " +
                            std::to_string(kMaximumPassphraseWords) + ", not \"" + *words + "\".",
                        kExitUsage);
        }
        rules.words = static_cast<std::size_t>(*parsed);
    }
    rules.separator = args.Value("separator").value_or(rules.separator);
    return kExitOk;
}

int ParsePasswordRules(const ParsedArguments& args, TPasswordRules& rules) {
    if (auto length = args.Value("length")) {
        auto parsed = ParseNumber(*length, 1, static_cast<long long>(kMaximumPasswordLength));
        if (!parsed) {
            return Fail("generate",
                        "the length must be a whole number from 1 to 1024, not \"" + *length +
                            "\".",
                        kExitUsage);
        }
        rules.length = static_cast<std::size_t>(*parsed);
    }
    rules.lower = args.Has("lower");
    rules.upper = args.Has("upper");
    rules.digits = args.Has("digits");
    rules.symbols = args.Has("symbols");
    rules.noLookAlikes = args.Has("no-look-alikes");
    rules.exclude = args.Value("exclude").value_or("");
    return kExitOk;
}

int RunGenerate(const ParsedArguments& args) {
    const bool passphrase = args.Has("passphrase");
    for (const auto& [option, forPassphrase] : kModeOptions) {
        if (args.Has(option) && forPassphrase != passphrase) {
            return Fail("generate",
                        std::string("--") + option +
                            (passphrase ? " does not apply to --passphrase."
                                        : " applies only to --passphrase."),
                        kExitUsage);
        }
    }
    std::string secret;
    std::string problem;
    if (passphrase) {
        TPassphraseRules rules;
        if (int code = ParsePassphraseRules(args, rules); code != kExitOk) {
            return code;
        }
        problem = GeneratePassphrase(rules, secret);
    } else {
        TPasswordRules rules;
        if (int code = ParsePasswordRules(args, rules); code != kExitOk) {
            return code;
        }
        problem = GeneratePassword(rules, secret);
    }
    if (!problem.empty()) {
        return Fail("generate", problem + ".", kExitUsage);
    }
    std::cout << secret << "\n";
    KvSecureWipe(secret);
    return kExitOk;
}

const CliRegistration generateCommand({
    "generate",
    "",
    "a random password or passphrase",
    "Prints a password drawn from the system's cryptographic random source\n"
    "(getrandom): every character uniform over the allowed ones, at least one of\n"
    "each chosen class. Without a class option all four classes are used.\n"
    "With --passphrase it prints words from the EFF large word list (7,776\n"
    "words) instead, each uniform over the list, joined by the separator.\n",
    {{"length", 'l', TOptionValue::Required, "N", "characters, 1 to 1024 (20)"},
     {"lower", 0, TOptionValue::None, "", "letters a to z"},
     {"upper", 0, TOptionValue::None, "", "letters A to Z"},
     {"digits", 0, TOptionValue::None, "", "digits 0 to 9"},
     {"symbols", 0, TOptionValue::None, "", "the 32 ASCII punctuation characters"},
     {"no-look-alikes", 0, TOptionValue::None, "", "leave out I, l, 1, O and 0"},
     {"exclude", 0, TOptionValue::Required, "CHARS", "never use these characters"},
     {"passphrase", 'p', TOptionValue::None, "", "words instead of characters"},
     {"words", 'w', TOptionValue::Required, "N", "words of a passphrase, 3 to 20 (6)"},
     {"separator", 's', TOptionValue::Required, "C", "one character between words (-)"}},
    0,
    0,
    RunGenerate,
});

} // namespace

} // namespace cli
