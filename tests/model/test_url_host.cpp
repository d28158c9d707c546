// The host of a URL, which import, the health report and matching a record
// to a page all take from one function: a wrong host here names the wrong
// site everywhere.
#include <gtest/gtest.h>

#include "U_Keyvale_TreeView_Data_Url_Host.h"

namespace {

TEST(UrlHost, IsTheHostABrowserWouldVisit) {
    struct Case {
        const char* url;
        const char* host;
    };
    const Case cases[] = {
        // The host of a query's URL is no host of this one.
        {"example.com/?next=https://evil.org", "example.com"},
        {"https://example.com/?next=https://evil.org", "example.com"},
        {"example.com#https://evil.org", "example.com"},
        {"example.com/login?u=a@evil.org", "example.com"},
        // Scheme optional, any case; user information and port dropped.
        {"https://Ann@Mail.Example.org:8443/x", "mail.example.org"},
        {"HTTPS://EXAMPLE.COM", "example.com"},
        {"example.com", "example.com"},
        {"example.com:8080", "example.com"},
        {"localhost:8080/admin", "localhost"},
        {"//example.com/x", "example.com"},
        {"ftp+ssh://files.example.net", "files.example.net"},
        {"user:pa:ss@example.com", "example.com"},
        {"https://evil.org@example.com/", "example.com"}, // the last "@" ends the user
        {"https://example.com@evil.org/", "evil.org"},
        // A browser reads "\" as "/".
        {"https://evil.org\\@example.com/", "evil.org"},
        {"https:\\\\example.com\\x", "example.com"},
        // IPv6 in brackets keeps its colons; the port after it goes.
        {"http://[2001:DB8::1]:8080/x", "[2001:db8::1]"},
        {"[::1]", "[::1]"},
        {"http://[2001:db8::1/x", ""},
        {"http://[example.com]/", ""},
        // Blanks around, TAB and line breaks inside are no part of it.
        {"  https://example.com/  ", "example.com"},
        {"https://exa\nmple.com", "example.com"},
        {"ex%41mple.com", "example.com"},
        // No host at all, or one no browser would accept.
        {"", ""},
        {"   ", ""},
        {"https://", ""},
        {"/just/a/path", ""},
        {"https://:443/", ""},
        {"example.com:http", ""},
        {"home router", ""},
        {"https://exa mple.com", ""},
        {"https://a<b>.com", ""},
        {"https://a\x1b[2J.com", ""},
        {"https://ex%zzample.com", ""},
        {"https://ex%2Fample.com", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UrlHost(c.url), c.host) << '"' << c.url << '"';
    }
}

} // namespace
