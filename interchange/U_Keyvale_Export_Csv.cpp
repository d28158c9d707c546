#include "U_Keyvale_Export_Csv.h"

std::string CsvQuoted(const std::string& value, bool always) {
    if (!always && value.find_first_of(",\"\r\n") == std::string::npos) {
        return value;
    }
    // One block of the largest size the value can need: it may be a password,
    // and a grown string would leave its outgrown copy behind unwiped.
    std::string quoted;
    quoted.reserve(2 * value.size() + 2);
    quoted += '"';
    for (char c : value) {
        quoted += c;
        if (c == '"') {
            quoted += '"';
        }
    }
    quoted += '"';
    return quoted;
}
