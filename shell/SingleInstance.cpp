#include "shell/SingleInstance.h"

#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>

#include "common/Base64.h"
#include "common/Md5.h"

std::u16string InstanceDigest(std::string_view programFolder) {
  // The upper-cased text only names the instance; files are always opened
  // through the folder as it stands.
  QString upper = QString::fromUtf8(programFolder.data(), static_cast<qsizetype>(programFolder.size()))
                      .toUpper();
  std::u16string text(reinterpret_cast<const char16_t*>(upper.utf16()),
                      static_cast<size_t>(upper.size()));
  std::string bytes;
  bytes.reserve(text.size() * 2);
  for (char16_t unit : text) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  return Md5HexDigestWide(std::string_view(bytes));
}

uint32_t InstanceMarker(std::u16string_view digest) {
  std::string bytes;
  for (size_t i = 0; i < 16; ++i) {
    char16_t unit = i < digest.size() ? digest[i] : 0;
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  return Crc32(bytes);
}

CSingleInstanceGuard::CSingleInstanceGuard(std::u16string_view digest, uint32_t marker,
                                           const QString& runtimeFolder)
    : name_(QString::fromUtf16(digest.data(), static_cast<qsizetype>(digest.size()))),
      folder_(runtimeFolder),
      marker_(marker) {
  if (folder_.isEmpty()) {
    folder_ = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder_.isEmpty()) folder_ = QDir::tempPath();
  }
}

CSingleInstanceGuard::~CSingleInstanceGuard() {
  if (server_) server_->close();
}

QString CSingleInstanceGuard::LockPath() const {
  return QDir(folder_).filePath(QStringLiteral("brantle-%1.lock").arg(name_));
}

bool CSingleInstanceGuard::Claim() {
  lock_ = std::make_unique<QLockFile>(LockPath());
  lock_->setStaleLockTime(0);  // a lock left by a crashed process is taken over
  if (!lock_->tryLock(0)) {
    lock_.reset();
    return false;
  }
  QString socketPath = QDir(folder_).filePath(QStringLiteral("brantle-%1.sock").arg(name_));
  // We hold the lock, so a socket file left behind belongs to no one.
  QLocalServer::removeServer(socketPath);
  server_ = std::make_unique<QLocalServer>();
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  connect(server_.get(), &QLocalServer::newConnection, this,
          &CSingleInstanceGuard::OnNewConnection);
  if (!server_->listen(socketPath)) server_.reset();
  return true;
}

void CSingleInstanceGuard::OnNewConnection() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
      if (socket->bytesAvailable() < 4) return;
      QByteArray bytes = socket->read(4);
      uint32_t marker = static_cast<uint8_t>(bytes[0]) | static_cast<uint8_t>(bytes[1]) << 8 |
                        static_cast<uint8_t>(bytes[2]) << 16 |
                        static_cast<uint32_t>(static_cast<uint8_t>(bytes[3])) << 24;
      bool mine = marker == marker_;
      socket->write(mine ? "1" : "0", 1);
      socket->flush();
      if (mine && onShowRequest) onShowRequest();
    });
  }
}

bool CSingleInstanceGuard::AskRunningInstanceToShow(int timeoutMs) {
  QLocalSocket socket;
  socket.connectToServer(QDir(folder_).filePath(QStringLiteral("brantle-%1.sock").arg(name_)));
  if (!socket.waitForConnected(timeoutMs)) return false;
  char bytes[4] = {static_cast<char>(marker_ & 0xFF), static_cast<char>(marker_ >> 8 & 0xFF),
                   static_cast<char>(marker_ >> 16 & 0xFF), static_cast<char>(marker_ >> 24)};
  socket.write(bytes, 4);
  if (!socket.waitForBytesWritten(timeoutMs)) return false;
  if (!socket.waitForReadyRead(timeoutMs)) return false;
  return socket.read(1) == "1";
}
