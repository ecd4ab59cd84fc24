// Preloaded into every i386 process of the wine32 sysroot (its etc/ld.so.preload):
// mends for what qemu-user (qemu-i386-static 7.2) does differently from a
// kernel, so that wine32 runs under it. Built with the i686 cross compiler by
// scripts/wine32_finish.sh; nothing of the game depends on it.
//
// 1. MAP_FIXED_NOREPLACE. qemu takes it as a hint and maps elsewhere when the
//    place is taken; wine then believes it got the place, finds it did not,
//    and probes the address space in 64 KiB steps, a minute of processor time
//    for each process. Such a map here fails with EEXIST, as on a kernel.
//
// 2. Thread segments. qemu keeps one GDT for all threads of a process, so a
//    thread that reloads a GDT selector (wine does at every switch between
//    Windows and Unix code, and qemu does at every signal return) takes the
//    base of whichever thread last set that entry: stack smashing, "wine
//    client error", signal 11. The LDT is shared too, but its entries are
//    many: each thread here keeps its %gs (the C library's thread pointer) in
//    an LDT entry of its own, and set_thread_area through syscall() fails, so
//    wine finds no GDT entry for %fs either and gives each thread's %fs an LDT
//    entry of its own as well (it does so from entry 512 up once %gs is in the
//    LDT; the entries here stay below).
#define _GNU_SOURCE
#include <asm/ldt.h>
#include <dlfcn.h>
#include <errno.h>
#include <pthread.h>
#include <signal.h>
#include <stdarg.h>
#include <stdint.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>

#ifndef __i386__
#error "for i386 processes only"
#endif

// The C library's own functions, found once.
static long (*real_syscall)(long, ...);
static void* (*real_mmap)(void*, size_t, int, int, int, off_t);
static void* (*real_mmap64)(void*, size_t, int, int, int, off64_t);
static int (*real_pthread_create)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);

static void find_real(void) {
  if (real_syscall) return;
  real_mmap = (void* (*)(void*, size_t, int, int, int, off_t))dlsym(RTLD_NEXT, "mmap");
  real_mmap64 = (void* (*)(void*, size_t, int, int, int, off64_t))dlsym(RTLD_NEXT, "mmap64");
  real_pthread_create =
      (int (*)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*))dlsym(RTLD_NEXT, "pthread_create");
  real_syscall = (long (*)(long, ...))dlsym(RTLD_NEXT, "syscall");
}

// --- 1. MAP_FIXED_NOREPLACE ---------------------------------------------------

static void* refuse_elsewhere(void* wanted, void* got, size_t length, int flags) {
  if ((flags & MAP_FIXED_NOREPLACE) && got != MAP_FAILED && got != wanted) {
    munmap(got, length);
    errno = EEXIST;
    return MAP_FAILED;
  }
  return got;
}

void* mmap(void* addr, size_t length, int prot, int flags, int fd, off_t offset) {
  find_real();
  return refuse_elsewhere(addr, real_mmap(addr, length, prot, flags, fd, offset), length, flags);
}

void* mmap64(void* addr, size_t length, int prot, int flags, int fd, off64_t offset) {
  find_real();
  return refuse_elsewhere(addr, real_mmap64(addr, length, prot, flags, fd, offset), length, flags);
}

// --- 2. Thread segments -------------------------------------------------------

// LDT entries 1 to 511 hold the threads' %gs; 0 when this process has not
// moved its threads (the constructor has not run).
enum { kFirstEntry = 1, kLastEntry = 511 };
static volatile unsigned char entry_used[kLastEntry + 1];  // 1 while a live thread's %gs names it
static unsigned next_entry = kFirstEntry;                    // where the search for a free one starts
static volatile int entries_lock;
static unsigned short gdt_selector;  // the C library's GDT entry for %gs, as it set it at start
static pthread_key_t entry_key;      // each moved thread's entry, released when it exits

static void lock(volatile int* l) {
  while (__atomic_exchange_n(l, 1, __ATOMIC_ACQUIRE)) {
  }
}
static void unlock(volatile int* l) { __atomic_store_n(l, 0, __ATOMIC_RELEASE); }

static void* thread_pointer(void) {
  void* tcb;
  __asm__ volatile("movl %%gs:0, %0" : "=r"(tcb));
  return tcb;
}
static unsigned short get_gs(void) {
  unsigned short s;
  __asm__ volatile("movw %%gs, %0" : "=r"(s));
  return s;
}
static void set_gs(unsigned short s) { __asm__ volatile("movw %0, %%gs" ::"r"(s) : "memory"); }

// The descriptor the C library gives a thread pointer: 4 GiB of data from base.
static struct user_desc thread_descriptor(unsigned entry, void* base) {
  struct user_desc d = {0};
  d.entry_number = entry;
  d.base_addr = (unsigned)(uintptr_t)base;
  d.limit = 0xfffff;
  d.seg_32bit = 1;
  d.limit_in_pages = 1;
  d.useable = 1;
  return d;
}

// Puts this thread's %gs into a free LDT entry of its own; returns the entry,
// or 0 when none is free. Entries are taken round the table, so one freed by
// an exiting thread is used again only after every other one has been.
static unsigned move_gs_to_ldt(void) {
  unsigned entry = 0;
  lock(&entries_lock);
  for (unsigned tried = 0; tried < kLastEntry && entry == 0; ++tried) {
    const unsigned candidate = next_entry;
    next_entry = next_entry == kLastEntry ? kFirstEntry : next_entry + 1;
    if (!entry_used[candidate]) {
      entry_used[candidate] = 1;
      entry = candidate;
    }
  }
  unlock(&entries_lock);
  if (entry == 0) return 0;
  struct user_desc d = thread_descriptor(entry, thread_pointer());
  if (real_syscall(SYS_modify_ldt, 0x11, &d, sizeof d) != 0) {
    entry_used[entry] = 0;
    return 0;
  }
  set_gs((unsigned short)(entry << 3 | 7));
  return entry;
}

static void release_entry(void* entry) { entry_used[(uintptr_t)entry] = 0; }

struct thread_start {
  void* (*start)(void*);
  void* arg;
  sigset_t mask;  // the creator's signal mask, which the new thread takes on
};

static void* moved_thread(void* p) {
  struct thread_start s = *(struct thread_start*)p;
  free(p);
  const unsigned entry = move_gs_to_ldt();
  if (entry != 0) pthread_setspecific(entry_key, (void*)(uintptr_t)entry);
  pthread_sigmask(SIG_SETMASK, &s.mask, NULL);
  return s.start(s.arg);
}

// The C library names the new thread's GDT entry by the creator's %gs (its
// index, whatever table it is in), so the creator goes back to the GDT entry
// for the call, with the entry holding its own thread pointer. The lock keeps
// other creators from rewriting the entry meanwhile, and blocked signals keep
// qemu from reloading %gs before it is back in the LDT.
static volatile int gdt_lock;

int pthread_create(pthread_t* thread, const pthread_attr_t* attr, void* (*start)(void*), void* arg) {
  find_real();
  if (gdt_selector == 0) return real_pthread_create(thread, attr, start, arg);
  struct thread_start* s = malloc(sizeof *s);
  if (!s) return EAGAIN;
  s->start = start;
  s->arg = arg;
  sigset_t all;
  sigfillset(&all);
  pthread_sigmask(SIG_SETMASK, &all, &s->mask);
  const sigset_t mask = s->mask;

  lock(&gdt_lock);
  const unsigned short own = get_gs();
  struct user_desc d = thread_descriptor(gdt_selector >> 3, thread_pointer());
  int result = EAGAIN;
  if (real_syscall(SYS_set_thread_area, &d) == 0) {
    set_gs(gdt_selector);
    result = real_pthread_create(thread, attr, moved_thread, s);
    set_gs(own);
  }
  unlock(&gdt_lock);

  if (result != 0) free(s);
  pthread_sigmask(SIG_SETMASK, &mask, NULL);
  return result;
}

// wine asks for a GDT entry for %fs through syscall(); anything else passes.
long syscall(long number, ...) {
  find_real();
  va_list ap;
  va_start(ap, number);
  long a[6];
  for (int i = 0; i < 6; ++i) a[i] = va_arg(ap, long);
  va_end(ap);
  if (number == SYS_set_thread_area) {
    errno = ENOSYS;
    return -1;
  }
  return real_syscall(number, a[0], a[1], a[2], a[3], a[4], a[5]);
}

__attribute__((constructor)) static void move_main_thread(void) {
  find_real();
  const unsigned short gs = get_gs();
  // Only a thread pointer in the GDT is moved (wine's preloader and the
  // dynamic loader set one there).
  if ((gs & 4) != 0 || gs == 0) return;
  if (pthread_key_create(&entry_key, release_entry) != 0) return;
  // The preloader also puts %fs in the GDT entry it made; wine would keep
  // using a GDT %fs it finds.
  __asm__ volatile("movw %w0, %%fs" ::"r"(0));
  // The first LDT write makes the table; threads made later share it.
  if (move_gs_to_ldt() != 0) gdt_selector = gs;
}
