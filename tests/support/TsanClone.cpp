// Linked into every test program of a ThreadSanitizer build (DW_TSAN) only.
//
// QProcess (Qt 6.4) starts its children with clone(CLONE_VM | CLONE_VFORK): the child borrows
// the parent's memory until it calls exec. ThreadSanitizer's clone interceptor treats every
// clone that is not a thread as a fork and, inside the child, resets its own bookkeeping as a
// fresh process would — but with CLONE_VM that bookkeeping is the parent's. From then on the
// parent's mutexes count as destroyed, its threads as gone, and correctly locked code is
// reported as racing (in our own frames, so no suppression could tell those reports from real
// ones). This definition comes before the sanitizer's in symbol lookup and turns such a clone
// into a plain fork (the path Qt itself takes on kernels without pidfds), which the sanitizer
// models correctly; clones of threads pass through untouched.
#include <dlfcn.h>
#include <sched.h>
#include <sys/types.h>

#include <cstdarg>

extern "C" int clone(int (*fn)(void*), void* stack, int flags, void* arg, ...) {
    va_list rest;
    va_start(rest, arg);
    pid_t* parentTid = va_arg(rest, pid_t*);
    void* tls = va_arg(rest, void*);
    pid_t* childTid = va_arg(rest, pid_t*);
    va_end(rest);
    using TClone = int (*)(int (*)(void*), void*, int, void*, ...);
    static const auto next = reinterpret_cast<TClone>(dlsym(RTLD_NEXT, "clone"));
    if ((flags & CLONE_VM) && (flags & CLONE_VFORK) && !(flags & CLONE_THREAD))
        flags &= ~(CLONE_VM | CLONE_VFORK);
    return next(fn, stack, flags, arg, parentTid, tls, childTid);
}
