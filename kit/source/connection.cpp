// Construction and destruction of the connection base as a module runs them. The receive buffer
// is on the process heap, because the host's receive code may replace it by a larger one and
// frees it; the session mask table that the host may attach goes back through its own slot 0.
#include "process_heap.h"
#include "tidemarch/net.h"

extern "C" {
__declspec(dllimport) unsigned long __stdcall GetTickCount();
__declspec(dllimport) int __stdcall closesocket(uintptr_t socket);
__declspec(dllimport) int __stdcall shutdown(uintptr_t socket, int how);
}

namespace tidemarch {

namespace {
constexpr int kShutdownSend = 1;

// Also the host's close path: shut down the sending side, close, leave the registry.
void CloseSocket(Connection& connection) {
    if (connection.manager) connection.manager->Unregister(connection.socket);
    closesocket(connection.socket);
    connection.socket = kNoSocket;
}
}  // namespace

Connection::Connection(uint32_t checksumMode)
    : socket(kNoSocket), sendOverlapped{}, receiveBuffer(nullptr), receiveCapacity(0), receiveFill(0),
      reserved1(0), manager(nullptr), state(0), createdAt(GetTickCount()), lastReceiveAt(createdAt),
      reserved2(0), maskTable(nullptr), ChecksumMode(checksumMode), receiveKeyed(0), sendKeyed(0),
      reserved3(0), receiveIndex(0), sendIndex(0), reserved4(0) {
    receiveBuffer = static_cast<uint8_t*>(ProcessHeapAllocate(kReceiveBufferSize));
    receiveCapacity = receiveBuffer ? kReceiveBufferSize : 0;
}

// No event slot is called while the connection is destroyed.
Connection::~Connection() {
    if (state != 0 && socket != kNoSocket) {
        shutdown(socket, kShutdownSend);
        CloseSocket(*this);
        state = 0;
    }
    ProcessHeapFree(receiveBuffer);
    receiveBuffer = nullptr;
    if (socket != kNoSocket) CloseSocket(*this);
    Destroy(maskTable);
    maskTable = nullptr;
}

#if !TIDEMARCH_KIT_MSVC_ABI
void* Connection::DeletingDestructor(uint32_t deleteFlags) {
    return RunDeletingDestructor(this, deleteFlags);
}
#endif

}  // namespace tidemarch
