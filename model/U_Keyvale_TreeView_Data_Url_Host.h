// The host of a record's URL: the one place that tells which site a URL
// names, for the import (a record's name), the health report (the site's
// words) and matching a record to a page. The rule follows how a browser
// reads the address, so that what it says is the site is the site.
#pragma once

#include <string>
#include <string_view>

// The host of the URL in lower case: "https://Ann@Mail.Example.org:8443/x"
// gives "mail.example.org", "[2001:db8::1]:80" gives "[2001:db8::1]".
//
// - The scheme is optional ("example.com/login" gives "example.com"); it is
//   a scheme only where it stands first and is followed by "://" (or ":\\",
//   which a browser reads the same), so "example.com/?next=https://evil.org"
//   names example.com, never evil.org.
// - The host ends at the first "/", "?", "#" or "\"; user information up to
//   the last "@" and a port (":" and digits) are dropped.
// - Blanks and control characters around the URL are ignored, TAB and line
//   breaks inside it too, and "%41" in a host stands for "A".
//
// Empty when the text names no host: nothing before the path, a port that is
// no number, an IPv6 address without its "]", or a host holding a character
// no host may hold (a space, "<", "|", a control character ...).
std::string UrlHost(std::string_view url);
