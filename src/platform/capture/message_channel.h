// The message channel: other processes of the same user hand the running program
// (dwData, bytes) messages, which reach a handler on the GUI thread.
//
// Windows: an application-wide native event filter takes every WM_COPYDATA once a
// handler is registered and passes its COPYDATASTRUCT on; the message counts as handled
// whatever the handler did with it. Linux: a local socket server only the user can reach
// (see copydata_message.h for the frames); connections of other users are refused, and
// malformed or oversized frames are dropped.
//
// What the program does with a message is msgchannel::warningText's business. The handler
// may call stop(), but must not destroy the channel.
#pragma once

#include "platform/capture/copydata_message.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class QCoreApplication;

class MessageChannel {
  public:
    // (message, context). On Linux lpData points to the frame's bytes, valid during the
    // call only.
    using CopyDataHandler = void (*)(const msgchannel::CopyData& message, void* context);

    // `serverName` (Linux only): the local server to listen on; empty means
    // defaultServerName().
    explicit MessageChannel(const QString& serverName = QString());
    ~MessageChannel();

    MessageChannel(const MessageChannel&) = delete;
    MessageChannel& operator=(const MessageChannel&) = delete;

    // Keeps the handler and its context and starts taking messages for `app`: installs
    // the native event filter (Windows) or starts listening (Linux). False when the
    // channel cannot be opened. A null handler lets every message pass (Windows) or
    // drops it (Linux).
    bool setCopyDataHandler(CopyDataHandler handler, QCoreApplication* app, void* context);

#ifndef _WIN32
    // Linux: frames of dwData `tag` are requests wanting an answer. `handler` gets the data
    // and a reply function it may call later, once; the answer goes back on the same
    // connection as one frame of the same dwData (dropped when the asker is gone). While a
    // request waits for its answer the connection is not closed for being idle.
    using Reply = std::function<void(const QByteArray& answer)>;
    using RequestHandler = std::function<void(const QByteArray& data, const Reply& reply)>;
    void setRequestHandler(std::uint32_t tag, RequestHandler handler);
#endif

    // Linux: at most `maxOpen` connections are kept open (a new one closes the oldest not
    // being handled), and one that sends nothing for `idleMs` is closed.
    static constexpr int kMaxConnections = 16;
    static constexpr int kIdleMs = 10000;
    void setConnectionLimits(int maxOpen, int idleMs);
    // Stops taking messages: removes the filter, closes the server and its connections.
    void stop();

    // Linux: the full path of the server's socket once listening; empty otherwise.
    QString serverName() const;

    // Linux: the user's default server, in the user's private runtime folder (see
    // runtime_dir.h) with the user id in its name; empty when that folder is unsafe.
    // Windows: empty.
    static QString defaultServerName();

  private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

#ifndef _WIN32
namespace msgchannel {

// Sends one frame to the server `serverName` of this user and waits until it is written.
// Refuses a server run by another user. False when the server cannot be reached in
// `timeoutMs` milliseconds or the data is longer than kMaxFrameData.
bool sendCopyData(const QString& serverName, std::uint32_t dwData, const QByteArray& data,
                  int timeoutMs = 3000);

// Sends one request frame and waits for the answer frame of the same dwData.
struct Answer {
    bool reached = false;           // a server of this user took the request
    std::optional<QByteArray> data; // its answer; none when it did not come in `answerMs`
};
Answer request(const QString& serverName, std::uint32_t dwData, const QByteArray& data,
               int connectMs, int answerMs);

} // namespace msgchannel
#endif
