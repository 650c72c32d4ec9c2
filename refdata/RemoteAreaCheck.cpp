#include "refdata/RemoteAreaCheck.h"

#include <algorithm>
#include <optional>

#include "common/GbkText.h"
#include "common/HtmlText.h"
#include "common/TextCodec.h"
#include "net/HttpClient.h"

namespace {

constexpr size_t kMaxCellBytes = 254;
constexpr size_t kMinHitBytes = 3;
constexpr size_t kMaxHitBytes = 15;

}  // namespace

std::string FormUrlEncode(std::string_view value) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(value.size() * 3);
  for (char c : value) {
    auto b = static_cast<unsigned char>(c);
    if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || b == '-' ||
        b == '.' || b == '_' || b == '~') {
      out.push_back(c);
    } else if (b == ' ') {
      out.push_back('+');
    } else {
      out.push_back('%');
      out.push_back(kHex[b >> 4]);
      out.push_back(kHex[b & 15]);
    }
  }
  return out;
}

std::string RemoteAreaFormBody(std::string_view country, std::string_view postcode,
                               std::string_view city) {
  return "searchCriteria=searchCriteria&VTI-GROUP=0&selectedCtry=" + FormUrlEncode(country) +
         "&VTI-GROUP=3&inputPostalCode=" + FormUrlEncode(postcode) +
         "&VTI-GROUP=2&inputCity=" + FormUrlEncode(city);
}

int ParseRemoteAreaPage(std::string page, RemoteAreaAnswer& answer) {
  GbkFromUtf8InPlace(page, true, false);
  if (GbkFindNoCase(page, "is not a remote area") != std::string::npos) return 0;
  const size_t start = GbkFindNoCase(page, ">Postal Code<");
  if (start == std::string::npos) return -1;
  const size_t tableEnd = GbkFindNoCase(std::string_view(page).substr(start), "</table");
  if (tableEnd == std::string::npos) return -1;
  page.resize(start + tableEnd);

  answer = RemoteAreaAnswer{};
  answer.table = true;
  bool haveFirst = false, haveSecond = false, haveThird = false;
  size_t rowStart = start;
  for (;;) {
    size_t end = 0;
    std::optional<std::string> cell = GetHtmlTableCell(page, rowStart, end, 1, true, false);
    if (!cell) break;
    size_t rowEnd = GbkFindNoCase(std::string_view(page).substr(end), "</tr>");
    if (rowEnd == std::string::npos) break;
    rowEnd += end;
    rowStart = rowEnd + 5;
    // The next cell of this row; none when the row has no more.
    auto next = [&]() -> std::optional<std::string> {
      std::optional<std::string> c = GetHtmlTableCell(page, end, end, 1, true, false);
      if (c && end > rowEnd) return std::nullopt;
      return c;
    };

    if (cell->empty() || cell->size() > kMaxCellBytes) continue;
    if (!haveFirst) answer.first = *cell, haveFirst = true;
    std::optional<std::string> second = next();
    if (!second) break;
    if (second->size() > kMaxCellBytes) continue;
    if (!haveSecond) answer.second = *second, haveSecond = true;
    std::optional<std::string> third = next();
    if (!third) break;
    if (third->size() > kMaxCellBytes) continue;
    if (!haveThird) answer.third = *third, haveThird = true;
    std::optional<std::string> fourth = next();
    if (!fourth) break;
    if (fourth->size() < kMinHitBytes || fourth->size() > kMaxHitBytes) continue;
    std::u16string hit = WideFromGbk(*fourth);
    answer.hits.insert(std::lower_bound(answer.hits.begin(), answer.hits.end(), hit), hit);
  }
  return static_cast<int>(answer.hits.size());
}

int CheckRemoteAreaWith(HttpRequest& request, std::string_view host, int port,
                        std::string_view country, std::string_view postcode,
                        std::string_view city, RemoteAreaAnswer& answer) {
  if (request.cookieJar) request.cookieJar->clear();
  request.host = std::string(host);
  request.port = port;
  request.tls = 0;
  request.post = 1;
  request.path = std::string(kRemoteAreaPath);
  request.body = RemoteAreaFormBody(country, postcode, city);
  request.prebuiltHead.reset();
  request.contentTypeOverride.clear();
  request.acceptLine.clear();
  request.userAgent = 0;
  request.english = 0;
  request.acceptCompressed = 1;
  request.accept400 = 0;
  if (SendHttpRequest(request) <= 0) return -1;
  if (request.status < 200 || request.status >= 300) return -1;
  return ParseRemoteAreaPage(request.response, answer);
}

int CheckRemoteAreaWith(HttpRequest& request, std::string_view host, int port,
                        std::string_view country, std::string_view postcode,
                        std::string_view city, std::string& first, std::string& second,
                        std::vector<std::u16string>& hits, std::string* third) {
  RemoteAreaAnswer answer;
  int result = CheckRemoteAreaWith(request, host, port, country, postcode, city, answer);
  if (answer.table) {
    first = std::move(answer.first);
    second = std::move(answer.second);
    if (third) *third = std::move(answer.third);
    hits = std::move(answer.hits);
  }
  return result;
}
