// keyvale-cli export: a database's tree as a file that other programs (and
// import) read: Keyvale's JSON, KeePassXC's CSV layout or Bitwarden's JSON.
#include "U_KV_Hash_and_RAT_01.h"
#include "U_Keyvale_Export.h"
#include "U_Keyvale_Read_Write_Files.h"
#include "cli_commands.h"
#include "cli_database_common.h"
#include "cli_files.h"

#include <cerrno>
#include <iostream>

#include <sys/stat.h>
#include <unistd.h>

namespace {

using cli::Fail;
using cli::kExitOk;
using cli::kExitRuntimeError;
using cli::kExitUsage;

// Where the export goes must be settled before the password is asked.
int CheckOutput(const std::string& out, const std::string& database, bool force) {
    struct stat info {};
    if (::stat(out.c_str(), &info) == 0) {
        // As cp refuses to copy a file onto itself: the plain text would
        // take the place of the database, or of the file a link leads to.
        struct stat source {};
        if (::stat(database.c_str(), &source) == 0 && source.st_dev == info.st_dev &&
            source.st_ino == info.st_ino) {
            return Fail("export",
                        "cannot write " + out + ": it is the database " + database + " itself.",
                        kExitUsage);
        }
        if (S_ISDIR(info.st_mode)) {
            return Fail("export", "cannot write " + out + ": It is a directory.",
                        kExitRuntimeError);
        }
        if (!force) {
            return Fail("export", out + " exists already; --force replaces it.", kExitRuntimeError);
        }
        return kExitOk;
    }
    std::size_t slash = out.find_last_of('/');
    std::string folder =
        slash == std::string::npos ? "." : (slash == 0 ? "/" : out.substr(0, slash));
    if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) ||
        ::access(folder.c_str(), W_OK | X_OK) != 0) {
        return Fail("export",
                    "cannot write " + out + ": its folder " + folder + " " +
                        (::stat(folder.c_str(), &info) != 0 || S_ISDIR(info.st_mode)
                             ? std::string("is not usable: ") + SystemErrorText(errno) + "."
                             : std::string("is not a directory.")),
                    kExitRuntimeError);
    }
    return kExitOk;
}

int RunExport(const cli::ParsedArguments& args) {
    const std::string formatName = args.Value("format").value_or("keyvale-json");
    const std::optional<TExportFormat> format = ExportFormatFromName(formatName);
    if (!format) {
        return Fail("export",
                    "unknown format \"" + formatName +
                        "\"; use csv, bitwarden-json or keyvale-json.",
                    kExitUsage);
    }
    const std::optional<std::string> out = args.Value("output");
    if (out && out->empty()) {
        return Fail("export", "--output needs a file name.", kExitUsage);
    }
    if (out) {
        if (int code = CheckOutput(*out, args.positional[0], args.Has("force")); code != kExitOk) {
            return code;
        }
    }
    cli::OpenDatabase database;
    if (int code = cli::OpenExisting("export", args.positional[0], database); code != kExitOk) {
        return code;
    }
    if (isatty(STDERR_FILENO) == 1) {
        std::cerr << "keyvale-cli export: the export is plain text and holds every password; "
                     "keep it safe and delete it when done.\n";
    }
    std::string text = ExportTree(database.tree, *format);
    int code = kExitOk;
    if (out) {
        if (std::string error = cli::WritePrivateFile(*out, text); !error.empty()) {
            code = Fail("export", "cannot write " + *out + ": " + error, kExitRuntimeError);
        }
    } else {
        std::cout << text;
    }
    KvSecureWipe(text);
    return code;
}

const cli::CliRegistration exportCommand({
    "export",
    "FILE",
    "the whole tree of a database as JSON or CSV",
    "Asks for the main password and writes the whole tree, on standard output\n"
    "or into a new file OUT (readable by its owner only from its first byte,\n"
    "written whole or not at all; a link at OUT is replaced, not followed, and\n"
    "OUT may not be the database itself), in one of three formats:\n"
    "  keyvale-json (the default): every node exactly as stored,\n"
    "    {\"format\": \"keyvale\", \"version\": 1, \"nodes\": [\n"
    "      {\"name\": \"Mail\", \"children\": [\n"
    "        {\"name\": \"example.org\", \"record\": {\"login\": \"ann\", \"password\": \"...\",\n"
    "          \"email\": \"...\", \"url\": \"...\", \"note\": \"...\"}},\n"
    "        {\"name\": \"Old accounts\"}]}]}\n"
    "    A node has a name and either children (a folder), a record (five texts)\n"
    "    or neither (an empty node).\n"
    "  csv: KeePassXC's columns \"Group\",\"Title\",\"Username\",\"Password\",\"URL\",\n"
    "    \"Notes\", then \"E-Mail\"; the group path starts with \"Root\".\n"
    "  bitwarden-json: Bitwarden's unencrypted JSON; the E-Mail is a custom field.\n"
    "In the CSV and Bitwarden forms an empty node is an entry without fields, and\n"
    "a \"/\" or \"\\\" in a folder name is written \"\\/\" or \"\\\\\". import reads all\n"
    "three back into the same tree. The output holds every password in plain\n"
    "text: keep it safe.\n",
    {{"format", 'f', cli::TOptionValue::Required, "F",
      "csv, bitwarden-json or keyvale-json (keyvale-json)"},
     {"output", 'o', cli::TOptionValue::Required, "OUT", "write into the new file OUT"},
     {"force", 0, cli::TOptionValue::None, "", "replace an existing OUT"}},
    1,
    1,
    RunExport,
});

} // namespace
