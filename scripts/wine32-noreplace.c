// Preloaded into 32-bit Wine's processes while they run under qemu-user (scripts/wine-session.sh).
// qemu-user 7.2 ignores MAP_FIXED_NOREPLACE and takes the address as a hint, so the tens of
// thousands of address reservations that Wine's loader makes at start-up land elsewhere, each after
// a long search, and a program needs over a minute to start. Here a mapping that did not land
// where it was asked for is undone and fails with EEXIST, as the kernel does: a start takes half a
// second.
//
// Built without a C library (-m32 -nostdlib), so that no 32-bit development packages are needed:
// the three functions below are bound from the process's own libc when it is loaded. The 64-bit
// processes that 32-bit Wine starts inherit LD_PRELOAD: the loader's $LIB gives them an empty
// x86_64 library instead.
typedef unsigned int size_t;
typedef long off_t;
typedef long long off64_t;

#define MAP_FIXED_NOREPLACE 0x100000
#define MAP_FAILED ((void*)-1)
#define RTLD_NEXT ((void*)-1)
#define EEXIST 17

typedef void (*Function)(void);
Function dlsym(void* handle, const char* name);  // declared with the function pointer it returns
int munmap(void* address, size_t length);
int* __errno_location(void);

static void* Checked(void* wanted, void* mapped, size_t length, int flags) {
    if ((flags & MAP_FIXED_NOREPLACE) && mapped != MAP_FAILED && mapped != wanted) {
        munmap(mapped, length);
        *__errno_location() = EEXIST;
        return MAP_FAILED;
    }
    return mapped;
}

// 32-bit glibc has both: mmap with a 32-bit offset, mmap64 with a 64-bit one.
void* mmap(void* address, size_t length, int prot, int flags, int fd, off_t offset) {
    static void* (*next)(void*, size_t, int, int, int, off_t);
    if (!next) next = (void* (*)(void*, size_t, int, int, int, off_t))dlsym(RTLD_NEXT, "mmap");
    return Checked(address, next(address, length, prot, flags, fd, offset), length, flags);
}

void* mmap64(void* address, size_t length, int prot, int flags, int fd, off64_t offset) {
    static void* (*next)(void*, size_t, int, int, int, off64_t);
    if (!next) next = (void* (*)(void*, size_t, int, int, int, off64_t))dlsym(RTLD_NEXT, "mmap64");
    return Checked(address, next(address, length, prot, flags, fd, offset), length, flags);
}
