#pragma once
// Courier messages: the message definitions of WeChat_Mess.txt, which the
// server hands out at start-up, and the queueing of one notice on the
// server (cp_wc_mess_set).  The client does not talk to the messaging
// service itself; it decides from the definitions which kinds of notice are
// enabled and whether a recipient's OpenID is valid, and queues each notice
// as a message record.
//
// The file is GBK, or UTF-16LE after the bytes FF FE.  Its settings lines
// name the messaging server, the application id and secret and the OpenID
// prefix; sending is enabled only when an appid and a secret are present.
// The secret is only looked at: the client never uses it, so it is not kept.
// Then come "<MESS_DEFINE>" ... "</MESS_DEFINE>" blocks with NAME, TEMP_ID,
// URL, <MODEL> and <PARAM>; a malformed block is skipped without a word.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class CServerLink;

// The kinds of notice, by index (the NAME of a block).
inline constexpr int kCourierMessageKindCount = 17;
inline constexpr int kCustomerNoticeKind = 9;   // 客户通知
inline constexpr int kPickupDispatchKind = 15;  // 预录取件调度
const std::array<std::u16string_view, kCourierMessageKindCount>& CourierMessageKindNames();

// One parameter of a definition (GBK).
struct CourierMessageParam {
  std::string name;    // 1..15 bytes
  std::string value;   // at most 510 bytes
  std::string colour;  // "#RRGGBB" or empty
};

// One message definition (GBK texts).
struct CWeChatMessageDef {
  int32_t kind = -1;
  std::string templateId;  // 15..63 bytes
  std::string url;         // 10..255 bytes, or empty
  std::string model;       // 10..2046 bytes
  std::vector<CourierMessageParam> params;
};

class CWeChatMessages {
 public:
  // Reads the settings and the definitions (what an earlier load read is
  // dropped first); returns the sending-enabled flag.
  int LoadConfig(std::string_view fileText);

  // The first definition of the kind in file order, or null.
  const CWeChatMessageDef* FindDefinition(int kind) const;
  // 1 when the text has exactly 28 characters and begins with the OpenID
  // prefix (when one is set); otherwise 0.
  int IsValidOpenId(std::string_view text) const;

  int Enabled() const { return enabled_; }
  const std::string& OpenIdPrefix() const { return openIdPrefix_; }
  const std::string& ServerName() const { return server_; }
  const std::string& InterfacePath() const { return path_; }
  int Port() const { return port_; }
  int Tls() const { return tls_; }
  const std::string& AppId() const { return appId_; }
  const std::vector<std::unique_ptr<CWeChatMessageDef>>& Definitions() const { return defs_; }
  // How many bytes the last load was handed.
  size_t LoadedBytes() const { return loadedBytes_; }

 private:
  void ParseBlock(std::string_view block);

  int enabled_ = 0;
  std::string server_, path_, appId_, openIdPrefix_;
  int port_ = 0;
  int tls_ = 0;
  size_t loadedBytes_ = 0;
  std::vector<std::unique_ptr<CWeChatMessageDef>> defs_;
};

// The message record of one notice (GBK texts, cut to their fields).
struct CourierMessage {
  int32_t customerId = 0;  // 0 for a staff recipient
  int32_t second = 0;
  int32_t kind = 0;
  std::string sender;  // the logged-in user's name, at most 31 bytes
  std::string openId;  // at most 95 bytes
  std::string url;     // at most 4,351 bytes
  std::string fields;  // "v1|v2|...|", at most 4,095 bytes
};

// Appends one value to a fields text: "|", CR and LF removed, cut to the
// width in bytes on a whole character, then "|".
void AppendCourierField(std::string& fields, std::string_view gbk, size_t width = 254);
void AppendCourierField(std::string& fields, std::u16string_view text, size_t width = 254);

// The call that queues the record.
std::string CourierMessageSql(const CourierMessage& message);

// Hands one message record to the server.
class CWeChatSender {
 public:
  CWeChatSender(int number, const CWeChatMessages* messages, int size)
      : number_(number), messages_(messages), size_(size) {}
  // The procedure's first column; -9 when the call failed; 0 without a
  // definitions object.  A server request: from the window thread, run it
  // through platform::WaitForWork.
  int Submit(CServerLink& link, const CourierMessage& message) const;

 private:
  int number_;
  const CWeChatMessages* messages_;
  int size_;
};
