/* Counts calls of malloc, calloc, realloc and aligned allocation while
 * counting is switched on. Preloaded (LD_PRELOAD) into a child interpreter,
 * it sees every native allocation, the ones operator new makes included; the
 * requests are forwarded to the C library's own allocator. */
#include <stddef.h>

extern void *__libc_malloc(size_t size);
extern void *__libc_calloc(size_t count, size_t size);
extern void *__libc_realloc(void *pointer, size_t size);
extern void *__libc_memalign(size_t alignment, size_t size);
extern void __libc_free(void *pointer);

static int counting;
static unsigned long long calls;

static inline void count(void) {
    if (__atomic_load_n(&counting, __ATOMIC_RELAXED)) __atomic_fetch_add(&calls, 1, __ATOMIC_RELAXED);
}

void *malloc(size_t size) {
    count();
    return __libc_malloc(size);
}

void *calloc(size_t number, size_t size) {
    count();
    return __libc_calloc(number, size);
}

void *realloc(void *pointer, size_t size) {
    count();
    return __libc_realloc(pointer, size);
}

void *memalign(size_t alignment, size_t size) {
    count();
    return __libc_memalign(alignment, size);
}

void *aligned_alloc(size_t alignment, size_t size) {
    count();
    return __libc_memalign(alignment, size);
}

int posix_memalign(void **out, size_t alignment, size_t size) {
    count();
    void *pointer = __libc_memalign(alignment, size);
    if (pointer == NULL) return 12; /* ENOMEM */
    *out = pointer;
    return 0;
}

void free(void *pointer) { __libc_free(pointer); }

void malloc_count_start(void) {
    __atomic_store_n(&calls, 0, __ATOMIC_RELAXED);
    __atomic_store_n(&counting, 1, __ATOMIC_RELAXED);
}

unsigned long long malloc_count_stop(void) {
    __atomic_store_n(&counting, 0, __ATOMIC_RELAXED);
    return __atomic_load_n(&calls, __ATOMIC_RELAXED);
}
