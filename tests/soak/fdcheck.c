/* Preloaded into the program under test. At the very end of the process,
 * after the program's own destructors, it writes the descriptors that are
 * open but were not open at its start (one "fd -> target" a line) into the
 * file named by TOLVAR_FDCHECK_OUT. An empty file means nothing leaked. */
#define _GNU_SOURCE
#include <dirent.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

enum { kMaxFd = 4096 };
static unsigned char OpenAtStart[kMaxFd];

static void Scan(unsigned char* Open) {
  DIR* Dir = opendir("/proc/self/fd");
  if (!Dir) return;
  int Own = dirfd(Dir);
  for (struct dirent* E; (E = readdir(Dir));) {
    int Fd = atoi(E->d_name);
    if (E->d_name[0] != '.' && Fd != Own && Fd < kMaxFd) Open[Fd] = 1;
  }
  closedir(Dir);
}

__attribute__((constructor)) static void Begin(void) {
  Scan(OpenAtStart);
}

__attribute__((destructor)) static void End(void) {
  const char* Out = getenv("TOLVAR_FDCHECK_OUT");
  if (!Out) return;
  unsigned char OpenNow[kMaxFd] = {0};
  Scan(OpenNow);
  FILE* Report = fopen(Out, "w");
  if (!Report) return;
  int Mine = fileno(Report);
  for (int Fd = 0; Fd < kMaxFd; ++Fd) {
    if (!OpenNow[Fd] || OpenAtStart[Fd] || Fd == Mine) continue;
    char Link[64], Target[512] = "";
    snprintf(Link, sizeof Link, "/proc/self/fd/%d", Fd);
    ssize_t N = readlink(Link, Target, sizeof Target - 1);
    Target[N > 0 ? N : 0] = 0;
    fprintf(Report, "%d -> %s\n", Fd, Target);
  }
  fclose(Report);
}
