#pragma once
// Handlers of a connection may delete it (and handlers of one connection may delete another).
// Code that calls a handler and touches the connection afterwards watches it for the duration of
// the call and touches nothing more once the watch reports it gone.
//
// Two signs tell that a connection is gone. The host's own destructor marks every watch on it.
// A connection of the game module is destroyed by the module's code in its slot 2, which never
// marks anything; its destruction removes its socket from the manager's registry, though. So a
// connection that was registered under its socket when the call began, and is no longer found
// under that socket when it returns, is treated as gone as well: deleted, or closed by its
// handler, and in both cases there is nothing left to read for it in this call.
#include <vector>

#include "net/connection.h"
#include "net/network_manager.h"

class LifeWatch {
  public:
    explicit LifeWatch(const Connection* connection)
        : connection_(connection), manager_(connection->manager), socket_(connection->socket),
          registered_(manager_ && socket_ != kNoSocket && manager_->Find(socket_) == connection),
          outer_(innermost_) {
        innermost_ = this;
    }
    LifeWatch(const LifeWatch&) = delete;
    LifeWatch& operator=(const LifeWatch&) = delete;
    ~LifeWatch() { innermost_ = outer_; }

    // True when the connection must not be touched any more. Reads only the registry, never the
    // connection.
    bool Destroyed() const {
        if (!connection_) return true;
        return registered_ && manager_->Find(socket_) != connection_;
    }

    static void NoteDestroyed(const Connection* connection) {
        for (LifeWatch* watch = innermost_; watch; watch = watch->outer_)
            if (watch->connection_ == connection) watch->connection_ = nullptr;
        std::erase(EndedSessions(), connection);
    }

    // A read that stops because its connection left the registry leaves the bytes of the ended
    // session in the connection's buffer: nothing may touch them while the connection could be
    // freed. A connection that lives on (closed by the module's own code, perhaps connected
    // again) drops them at its next read, which belongs to a new session.
    void NoteReadEnded() const {
        if (connection_ && registered_) EndedSessions().push_back(connection_);
    }
    // Destroyed, and then the read ends here: noted as above.
    bool StopReading() const {
        if (!Destroyed()) return false;
        NoteReadEnded();
        return true;
    }
    // True, once, for a connection whose read ended that way: its buffered bytes are stale.
    static bool TakeEndedSession(const Connection* connection) {
        auto& ended = EndedSessions();
        if (ended.empty()) return false;
        return std::erase(ended, connection) > 0;
    }

  private:
    const Connection* connection_;
    NetworkManager* manager_;
    SocketHandle socket_;
    bool registered_;
    LifeWatch* outer_;
    // All connections live on the window's thread, so one chain serves the process.
    static inline LifeWatch* innermost_ = nullptr;
    static std::vector<const Connection*>& EndedSessions() {
        static std::vector<const Connection*> ended;
        return ended;
    }
};
