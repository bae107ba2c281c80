#pragma once
// Handlers of a connection may delete it (and handlers of one connection may delete another).
// Code that calls a handler and touches the connection afterwards watches it for the duration of
// the call; the connection's destructor marks every watch on it.
class Connection;

class LifeWatch {
  public:
    explicit LifeWatch(const Connection* connection) : connection_(connection), outer_(innermost_) {
        innermost_ = this;
    }
    LifeWatch(const LifeWatch&) = delete;
    LifeWatch& operator=(const LifeWatch&) = delete;
    ~LifeWatch() { innermost_ = outer_; }

    bool Destroyed() const { return connection_ == nullptr; }

    static void NoteDestroyed(const Connection* connection) {
        for (LifeWatch* watch = innermost_; watch; watch = watch->outer_)
            if (watch->connection_ == connection) watch->connection_ = nullptr;
    }

  private:
    const Connection* connection_;
    LifeWatch* outer_;
    // All connections live on the window's thread, so one chain serves the process.
    static inline LifeWatch* innermost_ = nullptr;
};
