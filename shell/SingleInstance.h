#pragma once
// One running client per program folder.  The first start holds a lock file
// named by the folder's digest in the runtime folder and listens on a local
// socket of the same name; a later start from the same folder finds the lock
// taken, sends the instance marker through the socket so that the first
// shows its main window maximised and comes forward, and ends.

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

// The 32 lower-case hex digits of the MD5 digest of the folder text in
// UTF-16LE, after upper-casing it.
std::u16string InstanceDigest(std::string_view programFolder);
// The CRC-32 of the first 32 bytes of the digest in UTF-16LE (its first 16
// digits).
uint32_t InstanceMarker(std::u16string_view digest);

class CSingleInstanceGuard : public QObject {
  Q_OBJECT

 public:
  // runtimeFolder: where the lock file goes; empty means the user's runtime
  // folder (XDG_RUNTIME_DIR, else the temporary folder).
  CSingleInstanceGuard(std::u16string_view digest, uint32_t marker,
                       const QString& runtimeFolder = QString());
  ~CSingleInstanceGuard() override;

  // True when this process is now the running instance (lock taken and the
  // socket listening); false when another instance holds the lock.
  bool Claim();
  // Asks the running instance to show its window; true when it answered.
  bool AskRunningInstanceToShow(int timeoutMs = 3000);

  // Called on the user-interface thread when a later start asked for the
  // window.
  std::function<void()> onShowRequest;

  QString LockPath() const;
  QString SocketName() const { return name_; }

 private:
  void OnNewConnection();

  QString name_;
  QString folder_;
  uint32_t marker_;
  std::unique_ptr<QLockFile> lock_;
  std::unique_ptr<QLocalServer> server_;
};
