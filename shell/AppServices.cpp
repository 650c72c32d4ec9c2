// Small services of the application object that pages, forms and dialogs
// call through theApp: weights, common prompts, caption, look-ups, number
// normalising and number lists, the record check mark, settings values, the
// web request context, file downloads, the clipboard and the edit period.

#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <new>

#include "common/ChargeableWeight.h"
#include "common/GbkText.h"
#include "common/LanguageTable.h"
#include "common/TextCodec.h"
#include "common/WideText.h"
#include "net/HttpClient.h"
#include "platform/MessageBox.h"
#include "platform/QtWaitForWork.h"
#include "refdata/BarcodeNormalizer.h"
#include "refdata/CurrencyTable.h"
#include "refdata/RecordPrompts.h"
#include "refdata/RecordStores.h"
#include "refdata/RemoteAreaCheck.h"
#include "shell/AppSettings.h"
#include "shell/BrantleClientApp.h"

namespace {

constexpr size_t kWebBufferBytes = 8097152;
constexpr int kWebResponseCapacity = 8096000;
constexpr int kWebHeadBufferSize = 48000;
constexpr int kWebCookieCapacity = 1024;
constexpr size_t kPromptFileBytes = 127998;
constexpr int64_t kNumberFileLimit = 1000000;

int32_t ClampToInt32(int64_t value) {
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(value);
}

// The standard text-to-integer conversion: blanks, a sign, digits; stops at
// the first other byte.  Values beyond int32 are held at its limits.
int32_t LeadingInteger(std::string_view text) {
  std::string copy(text);
  errno = 0;
  long long value = std::strtoll(copy.c_str(), nullptr, 10);
  return ClampToInt32(value);
}

bool IsAsciiBlank(char16_t c) { return c == u' '; }

// Keeps the bytes a number list may hold (digits, 'A' to 'Z', line feed and
// # - / _) after upper-casing; a double-byte character goes whole.
std::string NumberListBytes(std::string text) {
  GbkUpper(text);
  std::string kept;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (IsGbkLead(c)) {
      ++i;
      continue;
    }
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || c == '\n' || c == '#' || c == '-' ||
        c == '/' || c == '_') {
      kept.push_back(c);
    }
  }
  return kept;
}

// Splits the filtered bytes at line feeds and appends the lines whose length
// lies in [minimum, maximum].
void AppendNumberLines(std::string_view bytes, size_t minimum, size_t maximum,
                       std::vector<std::u16string>& list) {
  size_t start = 0;
  while (start <= bytes.size()) {
    size_t end = bytes.find('\n', start);
    if (end == std::string_view::npos) end = bytes.size();
    std::string_view line = bytes.substr(start, end - start);
    if (line.size() >= minimum && line.size() <= maximum) list.push_back(WideFromGbk(line));
    start = end + 1;
  }
}

std::string_view FieldText(const char* field, size_t width) {
  return std::string_view(field, strnlen(field, width));
}

}  // namespace

// ---- weights ----

int32_t CBrantleClientApp::ChargeableWeight(int32_t length, int32_t width, int32_t height,
                                            int32_t actualWeight, uint8_t volumePercent,
                                            char classLetter) const {
  char override = Settings().divisorLetterOverride;
  return ChargeableGrams(length, width, height, actualWeight, volumePercent,
                         override != 0 ? override : classLetter);
}

int32_t CBrantleClientApp::VolumetricWeight(int32_t length, int32_t width, int32_t height,
                                            char classLetter) const {
  char override = Settings().divisorLetterOverride;
  char letter = override != 0 ? override : classLetter;
  int divisor = letter == 'X' ? 10 : VolumetricDivisor(letter);
  int64_t v = static_cast<int64_t>(length) * width * height / divisor;
  if (volumetricWeightStep == -1) return ClampToInt32(v);
  return ClampToInt32((v + volumetricWeightStep) / 10 * 10);
}

char CBrantleClientApp::ParseDimensions(std::string_view text, int32_t& length, int32_t& width,
                                        int32_t& height) {
  length = width = height = 0;
  char letter = 0;
  for (char c : {'D', 'T', 'E', 'S', 'W', 'X'}) {
    if (text.find(c) != std::string_view::npos) {
      letter = c;
      break;
    }
  }
  if (text.size() <= 4) return letter;
  length = LeadingInteger(text);
  size_t star = text.find('*');
  if (star == std::string_view::npos) return letter;
  width = LeadingInteger(text.substr(star + 1));
  star = text.find('*', star + 1);
  if (star == std::string_view::npos) return letter;
  height = LeadingInteger(text.substr(star + 1));
  return letter;
}

// ---- common prompts ----

void CBrantleClientApp::SetPrompts(std::u16string_view text) {
  prompts.clear();
  size_t start = 0;
  bool first = true;
  while (start < text.size()) {
    if (!first) {
      while (start < text.size() && (text[start] == u'\r' || IsAsciiBlank(text[start]))) ++start;
    }
    first = false;
    size_t end = text.find(u'\n', start);
    bool last = end == std::u16string_view::npos;
    if (last) end = text.size();
    std::u16string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == u'\r') line.remove_suffix(1);
    if (line.size() < 2) break;
    prompts.emplace_back(line);
    if (last) break;
    start = end + 1;
  }
}

bool CBrantleClientApp::SavePrompts(std::u16string_view text) const {
  std::string bytes;
  bytes.reserve(text.size() * 2);
  for (char16_t unit : text) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  // Written beside the old file and put in its place only when whole: a
  // save that fails leaves the prompts of the last one.
  QSaveFile file(QFile::decodeName(QByteArray::fromStdString(ProgramFolder() + "prompt.dat")));
  if (!file.open(QIODevice::WriteOnly)) return false;
  const qint64 size = static_cast<qint64>(bytes.size());
  // The bytes are flushed here: a write error while commit() flushes them
  // would not stop it from putting the short file in place.
  if (file.write(bytes.data(), size) != size || !file.flush()) {
    file.cancelWriting();
    return false;
  }
  return file.commit();
}

void CBrantleClientApp::LoadPrompts() {
  std::ifstream in(ProgramFolder() + "prompt.dat", std::ios::binary);
  if (!in) {
    prompts.clear();
    return;
  }
  std::string bytes(kPromptFileBytes, '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<size_t>(in.gcount()));
  std::u16string text;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    char16_t unit = static_cast<char16_t>(static_cast<uint8_t>(bytes[i]) |
                                          static_cast<uint8_t>(bytes[i + 1]) << 8);
    if (unit == 0) break;
    text.push_back(unit);
  }
  SetPrompts(text);
}

int CBrantleClientApp::ChooseCommonPrompt(std::u16string& output) {
  if (prompts.empty()) return 0;
  if (!hooks.pickFromList) return 0;
  int index = hooks.pickFromList(prompts, Language().Text(1104));
  if (index < 0 || static_cast<size_t>(index) >= prompts.size()) return 0;
  output = prompts[static_cast<size_t>(index)];
  return 1;
}

// ---- caption and desktop ----

void CBrantleClientApp::UpdateCaption() {
  std::u16string text = Language().Text(20000);
  const ServerSession session = Link().Session();
  ReplaceAllW(text, u"%1", WideFromGbk(session.userName));
  ReplaceAllW(text, u"%2",
              session.account.empty() ? WideFromGbk(session.accountGbk) : session.account);
  ReplaceAllW(text, u"%3", u"");
  if (text.size() > 256) text.resize(256);
  caption = text;
  if (hooks.setCaption) hooks.setCaption(*this, caption);
}

const std::u16string& CBrantleClientApp::GetDesktopPath() {
  std::u16string& path = Settings().desktopPath;
  if (path.empty()) {
    QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    path.assign(reinterpret_cast<const char16_t*>(desktop.utf16()),
                static_cast<size_t>(desktop.size()));
  }
  return path;
}

// ---- look-ups ----

CServiceKind* CBrantleClientApp::GetServiceKind(int index) {
  if (index < 0 || static_cast<size_t>(index) >= serviceKinds.size()) return nullptr;
  return &serviceKinds[static_cast<size_t>(index)];
}

CServiceKind* CBrantleClientApp::FindServiceKind(std::string_view code) {
  return ::FindServiceKind(serviceKinds, code);
}

int CBrantleClientApp::KindServesDestination(std::string_view kindCode,
                                             std::string_view destination) {
  CServiceKind* kind = FindServiceKind(kindCode);
  if (!kind) return 0;
  return kind->HasArea(destination) ? 1 : 0;
}

const DestinationRecord* CBrantleClientApp::FindDestinationByCode(std::string_view code) {
  return Destinations().FindByCode(code);
}
const DestinationRecord* CBrantleClientApp::ResolveDestination(std::string_view text) {
  return Destinations().ResolvePlace(text);
}
const DestinationRecord* CBrantleClientApp::FindDestinationByName(std::string_view text) {
  return Destinations().FindByName(text);
}

const CurrencyEntry* CBrantleClientApp::FindCurrency(std::string_view isoCode) {
  return Currencies().Find(isoCode);
}

double CBrantleClientApp::CurrencyRate(std::string_view isoCode, int useDefault) {
  const CurrencyEntry* entry = FindCurrency(isoCode);
  if (!entry) return 1.0;
  return useDefault ? entry->defaultRate : entry->rate;
}

std::u16string CBrantleClientApp::MatchControlCode(std::u16string_view text) const {
  return ::MatchControlCode(controlCodes, text);
}

int CBrantleClientApp::GetStaffMessageId(std::u16string_view nameOrAccount, std::string& output,
                                         int byAccount) const {
  output.clear();
  std::string key = GbkFromWide(nameOrAccount);
  for (const StaffEntry& entry : staff) {
    if ((byAccount ? entry.mcaccount : entry.mcname) == key) {
      output = entry.cmsn;
      return 1;
    }
  }
  return 0;
}

int CBrantleClientApp::GetStaffAccount(std::u16string_view name, std::string& output) const {
  output.clear();
  std::string key = GbkFromWide(name);
  for (const StaffEntry& entry : staff) {
    if (entry.mcname == key) {
      output = entry.mcaccount;
      return 1;
    }
  }
  return 0;
}

// ---- number normalising ----

bool CBrantleClientApp::CleanScannedNumber(std::u16string_view text, std::string& output) {
  std::u16string wide(text.substr(0, 63));
  TrimW(wide);
  RemoveCharW(wide, u'\'');
  RemoveCharW(wide, u'"');
  output = GbkFromWide(wide);
  if (output.size() >= 12) Barcodes().Normalize(output);
  return output.size() >= 7;
}

std::u16string CBrantleClientApp::NormalizeNumber(std::u16string_view text) {
  std::string bytes = GbkFromWide(text);
  if (bytes.size() >= 12) {
    Barcodes().Normalize(bytes);
  } else if (keepNumberAsTyped) {
    size_t start = bytes.find_first_not_of(' ');
    bytes.erase(0, start == std::string::npos ? bytes.size() : start);
    std::erase(bytes, '\'');
    std::erase(bytes, '"');
    while (!bytes.empty() && bytes.back() == ' ') bytes.pop_back();
  } else {
    std::string kept;
    for (char c : bytes) {
      auto b = static_cast<unsigned char>(c);
      if (b < 0x21 || b > 0x7F || c == '\'' || c == '"' || c == '&') continue;
      if (kept.size() == 30) break;
      kept.push_back(c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c);
    }
    bytes = kept;
  }
  return WideFromGbk(bytes);
}

// ---- number lists ----

int CBrantleClientApp::ReadClipboardList() {
  std::u16string text;
  if (!hooks.readClipboardText || !hooks.readClipboardText(text)) return 0;
  clipboardList.clear();
  AppendNumberLines(NumberListBytes(GbkFromWide(text)), 7, 30, clipboardList);
  return static_cast<int>(clipboardList.size());
}

const std::u16string& CBrantleClientApp::ClipboardCaption() {
  if (clipboardCaption_.empty()) clipboardCaption_ = Language().Text(20030, u"System Clipboard");
  return clipboardCaption_;
}

int CBrantleClientApp::ImportNumberList(std::vector<std::u16string>& target, std::u16string* path,
                                        int numberKind) {
  int32_t kindText;
  switch (numberKind) {
    case 0: kindText = 30002; break;
    case 1: kindText = 30003; break;
    case 2: kindText = 30041; break;
    case 3: kindText = 30045; break;
    case 4: kindText = 30267; break;
    case 9: kindText = 30268; break;
    case 10: kindText = 30269; break;
    case 11: kindText = 30270; break;
    default: kindText = 30271; break;
  }
  std::u16string filter = u"[" + Language().Text(kindText) + u"] (*.txt)|*.txt||";
  std::u16string initialName;
  if (ReadClipboardList() > 0) initialName = ClipboardCaption();

  std::u16string chosen;
  if (!hooks.chooseFile || !hooks.chooseFile(filter, initialName, chosen)) return -1;

  std::u16string chosenName = chosen.substr(chosen.rfind(u'/') == std::u16string::npos
                                                ? 0
                                                : chosen.rfind(u'/') + 1);
  if (!initialName.empty() && (chosen == initialName || chosenName == initialName) &&
      !clipboardList.empty()) {
    target.insert(target.end(), clipboardList.begin(), clipboardList.end());
    return static_cast<int>(target.size());
  }

  std::string narrowPath = Utf8FromWide(chosen);
  std::ifstream in(narrowPath, std::ios::binary | std::ios::ate);
  if (!in) {
    platform::ShowMessageBox(Language().Text(20031));
    return -2;
  }
  int64_t size = static_cast<int64_t>(in.tellg());
  if (size > kNumberFileLimit) {
    platform::ShowMessageBox(Language().TextWithNumber(20031, 1));
    return -3;
  }
  std::string bytes;
  try {
    bytes.resize(static_cast<size_t>(size));
  } catch (const std::bad_alloc&) {
    platform::ShowMessageBox(Language().Text(20020));
    return -4;
  }
  in.seekg(0);
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<size_t>(in.gcount()));

  std::string text;
  auto at = [&](size_t i) { return static_cast<uint8_t>(bytes[i]); };
  if (bytes.size() >= 3 && at(0) == 0xEF && at(1) == 0xBB && at(2) == 0xBF) {
    // A UTF-8 file: read through GBK like the other forms, so that the filter
    // below steps over each whole character and never eats the ASCII after
    // one.
    text = GbkFromWide(WideFromNarrow(std::string_view(bytes).substr(3), 65001));
  } else if (bytes.size() >= 2 && ((at(0) == 0xFF && at(1) == 0xFE) ||
                                   (at(0) == 0xFE && at(1) == 0xFF))) {
    bool bigEndian = at(0) == 0xFE;
    std::u16string wide;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
      char16_t unit = bigEndian ? static_cast<char16_t>(at(i) << 8 | at(i + 1))
                                : static_cast<char16_t>(at(i) | at(i + 1) << 8);
      if (unit == 0) break;
      wide.push_back(unit);
    }
    text = GbkFromWide(wide);
  } else {
    text = bytes;
  }
  AppendNumberLines(NumberListBytes(std::move(text)), 4, 30, target);
  if (path) *path = chosen;
  return static_cast<int>(target.size());
}

// ---- record check, settings values ----

namespace {
// Places of the fields the check reads in a waybill record.
constexpr size_t kPriceOffset = 16;       // iPrice, int32, hundredths
constexpr size_t kKindOffset = 80;        // cZizKind[16]
constexpr size_t kDestinationOffset = 160;  // cDes[64]
constexpr size_t kGoodsOffset = 2288;     // cGoods[256]
}  // namespace

std::u16string CBrantleClientApp::RecordCheckText(const WaybillRecord& record) {
  const char* bytes = reinterpret_cast<const char*>(&record);
  std::string_view destination = FieldText(bytes + kDestinationOffset, 64);
  std::string_view kindCode = FieldText(bytes + kKindOffset, 16);
  std::string_view goods = FieldText(bytes + kGoodsOffset, 256);
  int32_t price = 0;
  std::memcpy(&price, bytes + kPriceOffset, sizeof price);

  if (destination.empty()) return u"目的地空";
  CServiceKind* kind = FindServiceKind(kindCode);
  if (!kind) return u"类别错误";
  const AppSettings& settings = Settings();
  if (settings.checkDestination && !kind->HasArea(destination)) return u"目的地错";
  if (settings.checkGoodsName && goods.empty()) return u"品名为空";
  if (settings.checkUnitPrice && price <= 0) return u"单价错误";
  return u"√";
}

std::string CBrantleClientApp::ExtractLineValue(std::string_view key, std::string_view text,
                                                size_t minimum, size_t maximum) {
  size_t at = text.find(key);
  if (at == std::string_view::npos || key.empty()) return {};
  if (at > 0 && text[at - 1] == '#') return {};
  std::string_view value = text.substr(at + key.size());
  value = value.substr(0, value.find_first_of("\r\n"));
  if (value.size() < minimum || value.size() > maximum) return {};
  return std::string(value);
}

// ---- web request context ----

int CBrantleClientApp::AllocWebBuffer() {
  if (webBuffer_) return 1;
  std::unique_ptr<char[]> buffer(new (std::nothrow) char[kWebBufferBytes]);
  if (!buffer) return 0;
  std::memset(buffer.get(), 0, kWebBufferBytes);
  webBuffer_ = std::move(buffer);
  ResetWebContext(webBuffer_.get(), 0, 0, 80, 0);
  return 1;
}

void CBrantleClientApp::ResetWebContext(char* buffer, int post, int tls, int port, int keep) {
  (void)buffer;  // the request keeps its texts itself; the buffer marks the context as ready
  HttpRequest& request = *WebRequest();
  if (!keep) request = HttpRequest{};
  request.headBufferSize = kWebHeadBufferSize;
  request.port = port;
  request.tls = tls;
  request.post = post;
  request.body.reset();
  request.prebuiltHead.reset();
  request.multipartBoundary.clear();
  request.bodyLength = 0;
  request.contentLength = -1;
  request.status = 0;
  request.head.clear();
  request.response.clear();
  if (!keep) {
    request.httpVersion = 1.1;
    request.acceptCompressed = 1;
    request.responseCapacity = kWebResponseCapacity;
    webCookies_.clear();
    request.cookieJar = &webCookies_;
    request.cookieJarCapacity = kWebCookieCapacity;
    request.connectTimeoutSeconds = 30;
    request.receiveTimeoutMs = 600000;
    request.sendTimeoutMs = 120000;
    request.host.clear();
    request.path.clear();
    request.referer.clear();
  }
}

int CBrantleClientApp::CheckRemoteArea(std::string_view country, std::string_view postcode,
                                       std::string_view city, std::string& first,
                                       std::string& second, std::vector<std::u16string>& hits,
                                       std::string* third) {
  ResetWebContext(WebBuffer(), 1, 0, Settings().remoteAreaPort, 1);
  return platform::WaitForWork([&] {
    return CheckRemoteAreaWith(*WebRequest(), Settings().remoteAreaHost, Settings().remoteAreaPort,
                               country, postcode, city, first, second, hits, third);
  });
}

// ---- files through the server link ----

int64_t CBrantleClientApp::DownloadFileLength(const FileRequest& request) {
  Link().DownloadFile(request);
  std::ifstream in(request.localPath, std::ios::binary | std::ios::ate);
  if (!in) return -1;
  return static_cast<int64_t>(in.tellg());
}

int CBrantleClientApp::ReadSysFile(std::string_view fileName, int32_t grade, std::string_view kind,
                                   std::string& buffer, size_t capacity) {
  buffer.clear();
  FileRequest request;
  request.grade = grade;
  request.kind = std::string(kind);
  request.fileName = std::string(fileName);
  request.localPath = ProgramFolder() + "DATA_SYS/" + std::string(fileName);
  Link().DownloadFile(request);
  // Room for the two zero bytes that end the text is taken from the capacity.
  if (capacity < 3) return 0;
  std::ifstream in(request.localPath, std::ios::binary);
  if (!in) return 0;
  buffer.assign(capacity - 2, '\0');
  in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
  buffer.resize(static_cast<size_t>(in.gcount()));
  if (buffer.empty()) return 0;
  buffer.append(2, '\0');
  return 1;
}

// ---- clipboard, edit period ----

int CBrantleClientApp::CopyToClipboard(const std::u16string& text) {
  return hooks.setClipboardText ? hooks.setClipboardText(text) : 0;
}

bool CBrantleClientApp::IsWithinEditPeriod(std::chrono::system_clock::time_point date,
                                           std::chrono::system_clock::time_point now) const {
  using std::chrono::floor;
  using std::chrono::seconds;
  return floor<seconds>(now) <= floor<seconds>(date) + editPeriod;
}

std::u16string CBrantleClientApp::ExternalTextStub(std::u16string_view) { return {}; }
