// The Movie class over the header reader.
#include "comm/movie.h"

#include "runtime/class_registry.h"
#include "runtime/objects.h"
#include "tessera/runtime.h"

namespace tess::comm {
namespace {

ClassObject* g_movie = nullptr;

const PropertyRecord kProperties[] = {
    {0, "Width", &kIntegerType, (void*)&movieWidthGetter, nullptr, 0},
    {0, "Height", &kIntegerType, (void*)&movieHeightGetter, nullptr, 0},
    {0, "BaseWidth", &kIntegerType, (void*)&movieBaseWidthGetter, nullptr, 0},
    {0, "BaseHeight", &kIntegerType, (void*)&movieBaseHeightGetter, nullptr, 0},
};

MovieObject* AsMovie(TessObject* object) {
  return reinterpret_cast<MovieObject*>(object);
}

}  // namespace

void InitMovieClass() {
  if (g_movie) return;
  FrameworkClassDef def{};
  def.name = "Movie";
  def.superclass = RootClass();
  def.instanceSize = int32_t(sizeof(MovieObject));
  def.properties = kProperties;
  g_movie = BuildFrameworkClass(def);
}

ClassObject* MovieClass() {
  return g_movie;
}

TessObject* NewMovie(std::span<const uint8_t> bytes) {
  MovieSize size;
  if (!ReadMovieSize(bytes, &size)) return nullptr;
  TessObject* object = CreateObject(g_movie);
  AsMovie(object)->width = size.width;
  AsMovie(object)->height = size.height;
  return object;
}

}  // namespace tess::comm

using tess::comm::AsMovie;

extern "C" {

// The movie is shown at its own size: the base size and the size agree.
int32_t movieWidthGetter(TessObject* movie, uint32_t) {
  return movie ? AsMovie(movie)->width : 0;
}
int32_t movieHeightGetter(TessObject* movie, uint32_t) {
  return movie ? AsMovie(movie)->height : 0;
}
int32_t movieBaseWidthGetter(TessObject* movie, uint32_t) {
  return movie ? AsMovie(movie)->width : 0;
}
int32_t movieBaseHeightGetter(TessObject* movie, uint32_t) {
  return movie ? AsMovie(movie)->height : 0;
}

}  // extern "C"
