/* Preloaded into kestrova by the fault tests. With KESTROVA_KILL_BEFORE_RENAME=SUFFIX[:N] the
 * process kills itself with SIGKILL just before its N-th rename (from 1; default 1) onto a name
 * ending in SUFFIX: the moment an atomic write's temporary is complete and synced but not yet in
 * place. Every other rename goes through unchanged. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <signal.h>
#include <stdatomic.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static atomic_int matches;

static void killBeforeMatchingRename(const char* newpath) {
    const char* spec = getenv("KESTROVA_KILL_BEFORE_RENAME");
    if (!spec || !newpath) return;
    const char* colon = strrchr(spec, ':');
    const size_t suffixLength = colon ? (size_t)(colon - spec) : strlen(spec);
    const int nth = colon ? atoi(colon + 1) : 1;
    const size_t length = strlen(newpath);
    if (suffixLength == 0 || length < suffixLength ||
        strncmp(newpath + length - suffixLength, spec, suffixLength) != 0)
        return;
    if (atomic_fetch_add(&matches, 1) + 1 == nth) kill(getpid(), SIGKILL);
}

int renameat(int olddirfd, const char* oldpath, int newdirfd, const char* newpath) {
    static int (*next)(int, const char*, int, const char*);
    if (!next) *(void**)&next = dlsym(RTLD_NEXT, "renameat");
    killBeforeMatchingRename(newpath);
    return next(olddirfd, oldpath, newdirfd, newpath);
}

int renameat2(int olddirfd, const char* oldpath, int newdirfd, const char* newpath, unsigned int flags) {
    static int (*next)(int, const char*, int, const char*, unsigned int);
    if (!next) *(void**)&next = dlsym(RTLD_NEXT, "renameat2");
    killBeforeMatchingRename(newpath);
    return next(olddirfd, oldpath, newdirfd, newpath, flags);
}

int rename(const char* oldpath, const char* newpath) {
    static int (*next)(const char*, const char*);
    if (!next) *(void**)&next = dlsym(RTLD_NEXT, "rename");
    killBeforeMatchingRename(newpath);
    return next(oldpath, newpath);
}
