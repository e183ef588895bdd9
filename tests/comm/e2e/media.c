/* NotePlayers, a Sound and a MoviePlayer from compiled code. The players and
   the movie player come from the window's layout (the first player with an
   instrument), the sound and the movie from project items. What reached
   the MIDI and wave output is printed from the media recording once the
   window has closed; last, playing the movie raises the exception that
   says there is no movie decoder, which nothing handles. */
#include "../../image/e2e/startup/say.h"

extern char MediaLayout[];
extern TessString kPiano, kDrums, kScreen;

extern void PlayNote(TessObject* player, int32_t note, int32_t velocity)
    TESS_LINK_NAME("!MNotePlayer.PlayNote");
extern int32_t GetInstrument(TessObject* player, uint32_t parameter)
    TESS_LINK_NAME("!GNotePlayer.Instrument");
extern void SetInstrument(TessObject* player, uint32_t parameter, int32_t value)
    TESS_LINK_NAME("!SNotePlayer.Instrument");
extern void SoundPlay(TessObject* sound) TESS_LINK_NAME("!MSound.Play");
extern int32_t SoundIsPlaying(TessObject* sound) TESS_LINK_NAME("!MSound.IsPlaying");
extern void SoundSetPan(TessObject* sound, uint32_t parameter, int32_t value)
    TESS_LINK_NAME("!SSound.Pan");
extern int32_t MovieWidth(TessObject* movie, uint32_t parameter) TESS_LINK_NAME("!GMovie.Width");
extern int32_t MovieHeight(TessObject* movie, uint32_t parameter) TESS_LINK_NAME("!GMovie.Height");
extern TessObject* PlayerMovie(TessObject* player, uint32_t parameter)
    TESS_LINK_NAME("!GMoviePlayer.Movie");
extern void PlayerPlay(TessObject* player) TESS_LINK_NAME("!MMoviePlayer.Play");
extern TessString* ExceptionMessage(TessObject* e, uint32_t offset)
    TESS_LINK_NAME("!GRuntimeException.Message");

extern int host_usleep(unsigned microseconds) TESS_LIBRARY_ROUTINE("libc.so.6", "usleep");
extern char* host_getenv(const char* name) TESS_LIBRARY_ROUTINE("libc.so.6", "getenv");
extern long host_open(const char* path, int flags) TESS_LIBRARY_ROUTINE("libc.so.6", "open");
extern long host_read(int fd, void* bytes, unsigned long count)
    TESS_LIBRARY_ROUTINE("libc.so.6", "read");
extern int host_close(int fd) TESS_LIBRARY_ROUTINE("libc.so.6", "close");

enum { kMessageOffset = 24, kInstrumentOffset = 56 };

static void check(const char* what, int ok) {
  host_write(1, what, host_strlen(what));
  host_write(1, ok ? ": ok\n" : ": WRONG\n", ok ? 5 : 8);
}

/* Copies PREFIX.log of the media recording to standard output. */
static void printRecording(void) {
  char path[512];
  char bytes[4096];
  const char* prefix = host_getenv("TESSERA_AUDIO_RECORD");
  unsigned long n = 0;
  long got;
  int fd;
  if (!prefix) return;
  while (prefix[n] && n < sizeof path - 5) {
    path[n] = prefix[n];
    ++n;
  }
  path[n] = 0;
  {
    const char* ext = ".log";
    int i;
    for (i = 0; i < 5; ++i) path[n + (unsigned long)i] = ext[i];
  }
  fd = (int)host_open(path, 0);
  if (fd < 0) return;
  while ((got = host_read(fd, bytes, sizeof bytes)) > 0) host_write(1, bytes, (unsigned long)got);
  host_close(fd);
}

int32_t AppUnhandled(TessObject* self, TessObject* error) {
  TessString* message = ExceptionMessage(error, kMessageOffset);
  (void)self;
  say("unhandled:");
  say(StringToCString(message));
  RuntimeUnlockString(message);
  return 0;
}

void TessMain(void) {
  TessObject *window = 0, *made, *piano, *drums, *screen, *sound, *movie, *shown;
  int waits = 0;
  RuntimeInit(TessApplication);
  made = RuntimeCreateWindow(MediaLayout, &window);
  piano = RuntimeControlReference(window, &kPiano);
  drums = RuntimeControlReference(window, &kDrums);
  screen = RuntimeControlReference(window, &kScreen);
  check("instrument from the layout", GetInstrument(piano, kInstrumentOffset) == 5);

  PlayNote(piano, 60, 100);
  SetInstrument(drums, kInstrumentOffset, 0); /* the current value: nothing sent */
  SetInstrument(drums, kInstrumentOffset, 33);
  PlayNote(drums, 40, 70);
  PlayNote(piano, 60, 0);
  PlayNote(drums, 40, 0);

  sound = RuntimeProjectObject(1);
  SoundSetPan(sound, 0, 100);
  SoundPlay(sound);
  check("the sound plays", SoundIsPlaying(sound));
  while (SoundIsPlaying(sound) && waits++ < 2000) host_usleep(5000);
  check("and ends", !SoundIsPlaying(sound));

  movie = RuntimeProjectObject(2);
  check("movie size", MovieWidth(movie, 0) == 320 && MovieHeight(movie, 0) == 240);
  shown = PlayerMovie(screen, 0);
  check("the player holds the movie", shown == movie);
  RuntimeUnlockObject(shown);

  RuntimeUnlockObject(piano);
  RuntimeUnlockObject(drums);
  RuntimeUnlockObject(window);
  RuntimeUnlockObject(made);
  RuntimeRun();
  say("recorded:");
  printRecording();
  PlayerPlay(screen);
  say("not reached");
}
