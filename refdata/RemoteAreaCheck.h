#pragma once
// Whether a receiver's postcode lies in a carrier's remote (surcharged)
// delivery area, asked of the carrier's public remote-area search: the
// search form (country code, postcode, city) is posted to the site, and the
// rows of the result table in its HTML answer are read.
//
// The site's host and port are settings (AppSettings::remoteAreaHost and
// remoteAreaPort); the path, query keys and form keys are what the search
// expects.  Every form value is percent-encoded.

#include <string>
#include <string_view>
#include <vector>

struct HttpRequest;

// The path of the search, with its fixed query.
inline constexpr std::string_view kRemoteAreaPath =
    "/jsp/SearchServlet?fromFilter=true&DPEECTR=N&cntry_cd=VN&isoCountryCode=EN";

// What the answer said.
struct RemoteAreaAnswer {
  // Whether the answer held a result table (the rest is filled only then).
  bool table = false;
  // The first three cells of the first row whose cells have acceptable
  // lengths (GBK, at most 254 bytes each).
  std::string first;
  std::string second;
  std::string third;
  // The fourth cell of every accepted row (3 to 15 bytes), ascending by
  // UTF-16 code units; an equal text goes before its twin.
  std::vector<std::u16string> hits;
};

// A value as application/x-www-form-urlencoded wants it: letters, digits and
// "-._~" stay, a blank becomes "+", every other byte "%XX".
std::string FormUrlEncode(std::string_view value);

// The form body of the search for a country code, postcode and city (GBK).
std::string RemoteAreaFormBody(std::string_view country, std::string_view postcode,
                               std::string_view city);

// Reads an answer (UTF-8, as received): the number of hits when it holds a
// result table, 0 when it says the place "is not a remote area", -1 when it
// has no result table.  `answer` is emptied first when a table is found.
int ParseRemoteAreaPage(std::string page, RemoteAreaAnswer& answer);

// Posts the search over `request` (its host and port are set from the
// arguments, its cookie jar emptied, its response read) and reads the
// answer: as ParseRemoteAreaPage, and -1 when the request fails (transport
// error, time-out, a body cut short, an error status).  Blocks: a window
// runs it through platform::WaitForWork.
int CheckRemoteAreaWith(HttpRequest& request, std::string_view host, int port,
                        std::string_view country, std::string_view postcode,
                        std::string_view city, RemoteAreaAnswer& answer);

// The same with the caller's outputs, which change only when the answer
// holds a result table (`third` may be null).
int CheckRemoteAreaWith(HttpRequest& request, std::string_view host, int port,
                        std::string_view country, std::string_view postcode,
                        std::string_view city, std::string& first, std::string& second,
                        std::vector<std::u16string>& hits, std::string* third);
