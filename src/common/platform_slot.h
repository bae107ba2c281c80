#pragma once
// The one place where host code that cannot hold a platform reference (shared records keep
// their layout) finds the implementation the composition root installed.
//
//   Platform* p = PlatformSlot<Platform>::Installed();   // null: none installed
//   PlatformSlot<Platform>::Scope scope(implementation);  // installs; restores at scope end
template <class Platform> class PlatformSlot {
  public:
    static Platform* Installed() { return installed_; }

    class Scope {
      public:
        explicit Scope(Platform& platform) : previous_(installed_) { installed_ = &platform; }
        ~Scope() { installed_ = previous_; }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

      private:
        Platform* previous_;
    };

  private:
    static inline Platform* installed_ = nullptr;
};
