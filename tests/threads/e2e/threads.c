/* Threads from compiled code's side: writers sharing a string and a
   dictionary under a CriticalSection, a thread that catches its own
   exception, and deep recursion stopped by each thread's own stack limit.
   The main thread waits for each scenario on a Semaphore it holds, which the
   scenario's last thread releases. */
#include <tessera/image.h>

extern char TessApplication[];
extern TessString kPiece;
void say(const char* text);
void report_depth(void);
void guarded_main_overflow(void);
extern int32_t g_depth;

enum {
  kThread,
  kCriticalSection,
  kDictionary,
  kSemaphore,
  kException,
  kOverflow,
  kWriter,
  kRaiser,
  kRecurser
};
enum { kWriters = 8, kAppends = 300, kHostDefaultStack = 0x100000 };

static TessObject* g_section;
static TessObject* g_dictionary;
static TessObject* g_finish;
static TessString* g_shared;
static int32_t g_nextKey;
static int32_t g_done;
static int32_t g_stackSize;
static int32_t g_floor;

static void say_number(const char* what, int32_t n) {
  char text[64];
  char digits[12];
  int used = 0, count = 0;
  while (what[used] && used < 40) {
    text[used] = what[used];
    ++used;
  }
  text[used++] = ' ';
  do {
    digits[count++] = (char)('0' + n % 10);
    n /= 10;
  } while (n > 0);
  while (count > 0) text[used++] = digits[--count];
  text[used] = 0;
  say(text);
}

void finish_scenario(void) {
  semaphore_release(g_finish);
}

uint32_t writer_run(TessObject* thread) {
  (void)thread;
  for (int i = 0; i < kAppends; ++i) {
    criticalsection_enter(g_section);
    TessString* old = g_shared;
    g_shared = RuntimeAddString(old, &kPiece);
    RuntimeUnlockString(old);
    TessObject* key = intToVariant(g_nextKey++);
    TessObject* value = stringToVariant(g_shared);
    dictionaryValueSetter(g_dictionary, key, value);
    RuntimeUnlockObject(key);
    RuntimeUnlockObject(value);
    criticalsection_leave(g_section);
  }
  criticalsection_enter(g_section);
  if (++g_done == kWriters) finish_scenario();
  criticalsection_leave(g_section);
  return 0;
}

/* A deep recursion stopped without a crash shows the thread checks its own
   limit (the main thread's lies in another stack). The host may hand a
   thread a larger stack than asked, never a smaller one: a thread asking
   for more than the default must get past the default's depth. */
void report_thread_depth(void) {
  int32_t used = g_depth * 12;
  if (g_depth < 1000) {
    say("recursed too little");
  } else if (used > g_stackSize) {
    say_number("recursed past the thread's stack", used);
  } else if (used <= g_floor) {
    say_number("recursed no deeper than a default stack", used);
  } else {
    say("recursed within the thread's stack");
  }
}

static void run_and_wait(int32_t classIndex, int32_t stackSize) {
  TessObject* thread = RuntimeNewObject(classIndex);
  /* Never set, the host's default stack (1 MB) is what the thread gets. */
  if (stackSize) ThreadSetStackSize(thread, 0, stackSize);
  g_stackSize = stackSize ? ThreadGetStackSize(thread, 0) : kHostDefaultStack;
  g_floor = stackSize > kHostDefaultStack ? kHostDefaultStack : 0;
  threadRun(thread);
  RuntimeUnlockObject(thread);
  semaphore_signal(g_finish);
}

/* Every value is the shared string as it stood after its own append. */
static int values_are_distinct(void) {
  static char seen[kWriters * kAppends + 1];
  for (int32_t i = 0; i < kWriters * kAppends; ++i) {
    TessObject* key = intToVariant(i);
    TessObject* value = dictionaryValueGetter(g_dictionary, key);
    TessString* text = variantToString(value);
    int32_t appends = StringLen(text) / 2;
    RuntimeUnlockString(text);
    RuntimeUnlockObject(value);
    RuntimeUnlockObject(key);
    if (appends < 1 || appends > kWriters * kAppends || seen[appends]) return 0;
    seen[appends] = 1;
  }
  return 1;
}

void TessMain(void) {
  RuntimeInit(TessApplication);
  g_section = RuntimeNewObject(kCriticalSection);
  g_dictionary = RuntimeNewObject(kDictionary);
  g_finish = RuntimeNewObject(kSemaphore);
  semaphore_signal(g_finish);

  for (int i = 0; i < kWriters; ++i) {
    TessObject* thread = RuntimeNewObject(kWriter);
    threadRun(thread);
    RuntimeUnlockObject(thread);
  }
  semaphore_signal(g_finish);
  say_number("shared string length", StringLen(g_shared));
  say_number("dictionary entries", dictionaryCount(g_dictionary, 0));
  say(values_are_distinct() ? "every append kept" : "appends lost or doubled");

  run_and_wait(kRaiser, 0);
  run_and_wait(kRecurser, 0);
  run_and_wait(kRecurser, 0x300000);
  guarded_main_overflow();

  RuntimeUnlockString(g_shared);
  RuntimeUnlockObject(g_dictionary);
  RuntimeUnlockObject(g_section);
  semaphore_release(g_finish);
  RuntimeUnlockObject(g_finish);
}
