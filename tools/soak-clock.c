/* make soak: moves the wall clock of the Wine processes it is preloaded into forward by the
   seconds written in the file named by ZEL_CLOCK_OFFSET_FILE (read at most once a second);
   monotonic clocks stay. Built without C library headers (a 64-bit host has no 32-bit ones):
   Wine's 32-bit ntdll asks __clock_gettime64, its 64-bit one clock_gettime. */
typedef long long i64;
struct ts64 { i64 sec; i64 nsec; };
struct ts { long sec; long nsec; };
extern void *dlsym(void *, const char *);
extern char *getenv(const char *);
extern int open(const char *, int, ...);
extern long read(int, void *, unsigned long);
extern int close(int);
#define NEXT ((void *)-1)

static long cached, lastRead = -1;

/* The offset as of this second of the monotonic clock. */
static long Offset(long monoSec) {
  if (monoSec == lastRead) return cached;
  lastRead = monoSec;
  const char *name = getenv("ZEL_CLOCK_OFFSET_FILE");
  if (!name) return cached = 0;
  char buf[32];
  int fd = open(name, 0);
  if (fd < 0) return cached;
  long n = read(fd, buf, sizeof buf - 1);
  close(fd);
  long v = 0;
  for (long i = 0; i < n && buf[i] >= '0' && buf[i] <= '9'; ++i) v = v * 10 + (buf[i] - '0');
  return cached = v;
}

static int Wall(int clk) { return clk == 0 || clk == 5; } /* REALTIME, REALTIME_COARSE */

int __clock_gettime64(int clk, struct ts64 *t) {
  static int (*real)(int, struct ts64 *);
  if (!real) real = (int (*)(int, struct ts64 *))dlsym(NEXT, "__clock_gettime64");
  if (!real) return -1;
  int r = real(clk, t);
  if (r == 0 && Wall(clk)) {
    struct ts64 m;
    real(1, &m);
    t->sec += Offset((long)m.sec);
  }
  return r;
}

int clock_gettime(int clk, struct ts *t) {
  static int (*real)(int, struct ts *);
  if (!real) real = (int (*)(int, struct ts *))dlsym(NEXT, "clock_gettime");
  if (!real) return -1;
  int r = real(clk, t);
  if (r == 0 && Wall(clk)) {
    struct ts m;
    real(1, &m);
    t->sec += Offset(m.sec);
  }
  return r;
}
