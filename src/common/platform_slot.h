#pragma once
// How host code inside records of fixed layout (surfaces, sound objects, connections, the
// display) reaches the implementation of a platform interface: one slot per interface, filled by
// whoever chooses the implementation (the program's start, a test, a tool), never by the
// subsystem that uses it. Code with room for a reference takes the interface as an argument
// instead.
//
// The game module has no slot: it runs its own copies of the records' non-virtual code, which
// work on the platform objects held in the records' fields.
#include <cstdio>
#include <cstdlib>

template <class Interface>
class PlatformSlot {
  public:
    // The installed implementation; null while none is.
    static Interface* Installed() { return installed_; }

    // The installed implementation, for code that cannot go on without one. A program that
    // forgot to install it ends at once with a message naming the interface.
    static Interface& Required(const char* interfaceName) {
        if (!installed_) {
            std::fprintf(stderr, "no %s is installed\n", interfaceName);
            std::abort();
        }
        return *installed_;
    }

    // Installs an implementation until the next Install (null empties the slot).
    static void Install(Interface* implementation) { installed_ = implementation; }

    // Installs an implementation for the life of the scope, then puts back what was there.
    class Scope {
      public:
        explicit Scope(Interface& implementation) : previous_(installed_) { installed_ = &implementation; }
        ~Scope() { installed_ = previous_; }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

      private:
        Interface* previous_;
    };

  private:
    static inline Interface* installed_ = nullptr;
};
