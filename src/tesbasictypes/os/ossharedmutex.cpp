#include "ossharedmutex.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <mutex>
#include <new>
#include <string>
#include <unordered_map>

namespace {

// The layout number in the prefix keeps builds with another block layout apart.
constexpr const char* kObjectPrefix = "/tes-mutex-1.";
constexpr const char* kSafePunctuation = "._-";
constexpr const char* kHexDigits = "0123456789abcdef";
constexpr size_t kMaxObjectName = 200;  // well below NAME_MAX
constexpr size_t kHashDigits = 16;
constexpr mode_t kObjectMode = 0600;
constexpr off_t kGuardByte = 0;   // held while opening or closing
constexpr off_t kHandleByte = 1;  // held shared by every process with the name open
constexpr int kOpenAttempts = 16;  // retries when a closer removed the object
constexpr uint32_t kReadyMagic = 0x54455331;  // "TES1": the mutex is initialised
constexpr uint64_t kFnvOffset = 14695981039346656037ULL;
constexpr uint64_t kFnvPrime = 1099511628211ULL;

struct SharedBlock {
    uint32_t magic;
    TesOsOwnedMutex owned;
};

enum class Registration { registered, removed, failed };

}  // namespace

struct TesOsSharedMutex {
    std::string objectName;
    int fd = -1;
    SharedBlock* block = nullptr;
    pid_t opener = getpid();
    int handles = 1;                // under the registry lock
    std::atomic<int32_t> holds{0};  // lock levels held by threads of this process
};

namespace {

bool isSafe(unsigned char c) {
    const bool alphanumeric = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    if (alphanumeric) return true;
    for (const char* p = kSafePunctuation; *p != '\0'; ++p) {
        if (c == static_cast<unsigned char>(*p)) return true;
    }
    return false;
}

void appendHex(std::string& out, uint64_t value, size_t digits) {
    for (size_t i = digits; i > 0; --i) out += kHexDigits[(value >> (4 * (i - 1))) & 0xF];
}

uint64_t nameHash(const char* name) {
    uint64_t hash = kFnvOffset;
    for (const char* p = name; *p != '\0'; ++p) {
        hash = (hash ^ static_cast<unsigned char>(*p)) * kFnvPrime;
    }
    return hash;
}

std::string objectNameFor(const char* name) {
    std::string objectName = kObjectPrefix;
    for (const char* p = name; *p != '\0'; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        if (isSafe(c)) {
            objectName += static_cast<char>(c);
        } else {
            objectName += '%';
            appendHex(objectName, c, 2);
        }
    }
    if (objectName.size() > kMaxObjectName) {
        objectName.resize(kMaxObjectName - kHashDigits - 1);
        objectName += '~';
        appendHex(objectName, nameHash(name), kHashDigits);
    }
    return objectName;
}

bool lockByte(int fd, off_t byte, short type, bool wait) {
    struct flock request{};
    request.l_type = type;
    request.l_whence = SEEK_SET;
    request.l_start = byte;
    request.l_len = 1;
    int result;
    do {
        result = fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &request);
    } while (result != 0 && errno == EINTR);
    return result == 0;
}

bool initialiseMutex(SharedBlock* block) {
    new (&block->owned) TesOsOwnedMutex;
    if (!tesOsOwnedMutexInit(block->owned, true)) return false;
    block->magic = kReadyMagic;
    return true;
}

// Sizes, maps and (when nobody has yet) initialises the object; under the guard.
void* mapBlock(int fd) {
    struct stat status{};
    if (fstat(fd, &status) != 0) return nullptr;
    if (status.st_size == 0 && ftruncate(fd, sizeof(SharedBlock)) != 0) return nullptr;
    if (status.st_size != 0 && status.st_size != static_cast<off_t>(sizeof(SharedBlock))) return nullptr;
    void* mapping = mmap(nullptr, sizeof(SharedBlock), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (mapping == MAP_FAILED) return nullptr;
    auto* block = static_cast<SharedBlock*>(mapping);
    if (block->magic != kReadyMagic && !initialiseMutex(block)) {
        munmap(mapping, sizeof(SharedBlock));
        return nullptr;
    }
    return mapping;
}

bool isRemoved(int fd) {
    struct stat status{};
    return fstat(fd, &status) != 0 || status.st_nlink == 0;
}

Registration registerHandle(int fd, void*& block) {
    if (!lockByte(fd, kGuardByte, F_WRLCK, true)) return Registration::failed;
    Registration outcome = Registration::failed;
    if (isRemoved(fd)) {
        outcome = Registration::removed;
    } else if ((block = mapBlock(fd)) != nullptr) {
        // Closers test the handle byte only under the guard, so this cannot conflict.
        if (lockByte(fd, kHandleByte, F_RDLCK, false)) {
            outcome = Registration::registered;
        } else {
            munmap(block, sizeof(SharedBlock));
        }
    }
    lockByte(fd, kGuardByte, F_UNLCK, false);
    return outcome;
}

void makeInheritable(int fd) { fcntl(fd, F_SETFD, 0); }  // shm_open sets close-on-exec

TesOsSharedMutex* openRecord(const std::string& objectName, bool create, bool inheritable) {
    for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
        const int fd = shm_open(objectName.c_str(), O_RDWR | (create ? O_CREAT : 0), kObjectMode);
        if (fd < 0) return nullptr;
        if (inheritable) makeInheritable(fd);
        void* block = nullptr;
        const Registration outcome = registerHandle(fd, block);
        if (outcome == Registration::registered) {
            auto* record = new (std::nothrow) TesOsSharedMutex{objectName, fd, static_cast<SharedBlock*>(block)};
            if (record != nullptr) return record;
            munmap(block, sizeof(SharedBlock));
        }
        close(fd);
        if (outcome != Registration::removed) return nullptr;
    }
    return nullptr;
}

// Drops this process's registration and removes the name when no other
// process has it open; under the guard.
void unregister(const TesOsSharedMutex& record) {
    if (!lockByte(record.fd, kGuardByte, F_WRLCK, true)) return;
    lockByte(record.fd, kHandleByte, F_UNLCK, false);
    if (lockByte(record.fd, kHandleByte, F_WRLCK, false)) shm_unlink(record.objectName.c_str());
    lockByte(record.fd, kGuardByte, F_UNLCK, false);
}

struct Registry {
    std::mutex lock;
    std::unordered_map<std::string, TesOsSharedMutex*> records;  // this process's opens
};

Registry& registry() {
    static Registry* const instance = new Registry;  // used up to process exit
    return *instance;
}

}  // namespace

TesOsSharedMutex* tesOsSharedMutexOpen(const char* name, bool create, bool inheritable) {
    if (name == nullptr || *name == '\0') return nullptr;
    const std::string objectName = objectNameFor(name);
    Registry& known = registry();
    std::lock_guard<std::mutex> hold(known.lock);
    auto found = known.records.find(objectName);
    if (found != known.records.end() && found->second->opener != getpid()) {
        known.records.erase(found);  // inherited from the parent: its handles keep it
        found = known.records.end();
    }
    if (found != known.records.end()) {
        if (inheritable) makeInheritable(found->second->fd);
        ++found->second->handles;
        return found->second;
    }
    TesOsSharedMutex* record = openRecord(objectName, create, inheritable);
    if (record != nullptr) known.records.emplace(objectName, record);
    return record;
}

void tesOsSharedMutexClose(TesOsSharedMutex* record) {
    if (record == nullptr) return;
    Registry& known = registry();
    std::lock_guard<std::mutex> hold(known.lock);
    if (--record->handles > 0) return;
    const auto found = known.records.find(record->objectName);
    if (found != known.records.end() && found->second == record) known.records.erase(found);
    if (record->opener == getpid()) unregister(*record);
    close(record->fd);
    if (record->holds.load() == 0) munmap(record->block, sizeof(SharedBlock));
    delete record;
}

TesOsOwnedMutex* tesOsSharedMutexGet(TesOsSharedMutex* record) { return &record->block->owned; }

void tesOsSharedMutexNoteAcquired(TesOsSharedMutex* record) { record->holds.fetch_add(1); }

void tesOsSharedMutexNoteReleased(TesOsSharedMutex* record) { record->holds.fetch_sub(1); }
