/* The plug-in interface: what a plug-in library exports and the records it
   hands the runtime to register its methods, classes, controls, interfaces
   and data sources.

   A plug-in is a 32-bit shared library exporting TessPluginMain. The runtime
   calls it once at start-up with its entry lookup routine; the plug-in looks
   up the runtime's entry points by their link-table names (the declarations
   in tessera/runtime.h give their types) and registers its contributions
   before it returns. Everything it registers belongs to it for the life of
   the process; records it hands over must stay where they are (static data).

   Declarations are in the language's syntax:
     method    "Name(x As Integer, ByRef s As String) As Boolean"
     property  "Name As Integer"
     event     "Name(x As Integer) As Boolean"
   Types are String, Integer, Boolean, Single, Double, Color or a class name
   (framework classes first, then classes of plug-ins).

   Routines are called with the caller cleaning the stack (cdecl): a method
   and an event handler get the object first, then the parameters; a getter
   gets (object, parameter), a setter (object, parameter, value). Strings and
   objects returned carry one reference for the caller. */
#ifndef TESSERA_PLUGIN_H
#define TESSERA_PLUGIN_H

#include <stdint.h>

#include "tessera/types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The interface version a plug-in states with RegisterPluginVersion: with 3
   or more, method definitions carry code addresses (TessPluginMethod);
   version 1 plug-ins give an export index instead; version 2 method
   registrations are ignored. */
#define TESS_PLUGIN_VERSION 3

/* The runtime's entry lookup: an entry point's address by its link-table
   name (letter case ignored), or 0. */
typedef void* (*TessEntryLookup)(const char* name);

/* Each plug-in library defines its entry with this. */
#define TESS_PLUGIN_MAIN \
  __attribute__((visibility("default"))) void TessPluginMain(TessEntryLookup lookup)

/* A method: a global method (PluginRegisterMethod) or a class's. */
typedef struct TessPluginMethod {
  void* code;              /* what calls and "M" references reach */
  void* alternate;         /* what "W" references reach; may be 0 */
  const char* declaration; /* "Name(params) As Type" */
} TessPluginMethod;

/* Version 1 global methods name an entry of the export table instead. */
typedef struct TessPluginMethodV1 {
  uint32_t exportIndex;
  const char* declaration;
} TessPluginMethodV1;

/* An entry of the export table (RegisterPluginExports); the table ends with
   an entry whose code is 0. */
typedef struct TessPluginExport {
  uint32_t flags;
  void* code;
  const char* name;
} TessPluginExport;

typedef struct TessPluginProperty {
  const char* declaration; /* "Name As Type" */
  void* getter;            /* 0 with setter 0: the value is stored at `offset` */
  void* setter;            /* 0 alone: the property is read-only */
  uint32_t offset;         /* handed to the getter and setter as `parameter` */
} TessPluginProperty;

typedef struct TessPluginEvent {
  const char* declaration; /* "Name(params) As Type" */
} TessPluginEvent;

/* A class (PluginRegisterClass), an interface (PluginRegisterInterface:
   methods only, their code 0), or additions to an existing class
   (PluginRegisterClassExtension: `name` names it; properties and methods
   only). */
typedef struct TessPluginClass {
  const char* name;
  const char* superName; /* 0 or "": no superclass */
  uint32_t instanceSize; /* the whole instance: the 16-byte header, the
                            superclass's fields, then the class's own */
  void (*construct)(TessObject* self);
  void (*destruct)(TessObject* self);
  const TessPluginProperty* properties;
  uint32_t propertyCount;
  const TessPluginMethod* methods;
  uint32_t methodCount;
  const TessPluginEvent* events;
  uint32_t eventCount;
  const char* const* interfaces; /* names of interfaces it implements */
  uint32_t interfaceCount;
} TessPluginClass;

/* A control (PluginRegisterControl): its class (superclass "RectControl"
   when none is named; the instance size is raised to the superclass's when
   smaller) and the routines through which the window layer hands it what
   happens on screen. Any routine may be 0.

   A layout record places a plug-in control like any other: its class entry
   names the class ("framework NAME" in a description file), its pairs set
   Left, Top, Width, Height, Name and the class's own properties. The
   control gets a native child window of class "TSPluginControl" of its
   size (TessGetControlHandle), painted and fed by the routines below;
   coordinates are the control's own, (0,0) its top-left corner. */
#define TESS_CONTROL_ACCEPT_FOCUS 1u /* a click and Tab give it the keyboard focus */
#define TESS_CONTROL_ACCEPT_TABS 2u  /* Tab goes to keyDown, not to the next control */

typedef struct TessPluginControl {
  TessPluginClass cls;
  uint32_t flags; /* TESS_CONTROL_... */
  /* Its pane and native window exist; before the control's Open event. */
  void (*open)(TessObject* control);
  /* Its native window is about to go (the window closes or it is removed). */
  void (*close)(TessObject* control);
  /* Draw the control: g is a Graphics over it (RuntimeGraphics* entries),
     valid during the call only, the area already cleared to the window's
     background. */
  void (*paint)(TessObject* control, TessObject* g);
  /* The left button went down inside it; nonzero keeps the mouse: mouseDrag
     follows every move and mouseUp the release, wherever they happen. */
  int32_t (*mouseDown)(TessObject* control, int32_t x, int32_t y);
  void (*mouseDrag)(TessObject* control, int32_t x, int32_t y);
  void (*mouseUp)(TessObject* control, int32_t x, int32_t y);
  /* A character typed while it has the focus; nonzero: consumed. */
  int32_t (*keyDown)(TessObject* control, int32_t key);
  /* It gained (1) or lost (0) the keyboard focus. */
  void (*focus)(TessObject* control, int32_t gained);
  /* Its size changed. */
  void (*resized)(TessObject* control, int32_t width, int32_t height);
  /* It was enabled (1) or disabled (0). */
  void (*enable)(TessObject* control, int32_t enabled);
} TessPluginControl;

/* A rectangle in window coordinates (PluginGetControlBounds). */
typedef struct TessRect {
  int32_t left, top, right, bottom;
} TessRect;

/* A property as TessGetClassProperty reports it. */
typedef struct TessClassPropertyInfo {
  TessString* name; /* one reference for the caller */
  void* getter;     /* called (object, parameter) */
  void* setter;     /* called (object, parameter, value); 0: read-only */
  uint32_t parameter;
} TessClassPropertyInfo;

/* A constant's value as PluginInterpretConstantValue reads it from the text
   the language writes: True/False, "text" ("" for a quote inside), &h, &o
   and &b Integers, &c Colors (&cRRGGBB), decimal Integers and Doubles. */
#define TESS_CONSTANT_NONE 0 /* the text is no constant */
#define TESS_CONSTANT_INTEGER 1
#define TESS_CONSTANT_DOUBLE 2
#define TESS_CONSTANT_BOOLEAN 3
#define TESS_CONSTANT_STRING 4
#define TESS_CONSTANT_COLOR 5

typedef struct TessConstantValue {
  int32_t type;     /* TESS_CONSTANT_..., also the call's result */
  int32_t integer;  /* Integer, Color, Boolean (0 or 1) */
  double number;    /* the number, Integers included */
  TessString* text; /* String: one reference for the caller */
} TessConstantValue;

/* A data source (RegisterDataSource): a named maker of objects that data
   bindings read. */
typedef struct TessPluginDataSource {
  const char* name;
  TessObject* (*make)(void);
} TessPluginDataSource;

/* The registration callbacks, as a plug-in looks them up. */
typedef void (*TessRegisterVersionRoutine)(int32_t version);
typedef void (*TessRegisterExportsRoutine)(const TessPluginExport* table);
typedef void (*TessRegisterMethodRoutine)(const void* definition);
typedef void (*TessRegisterClassRoutine)(const TessPluginClass* definition);
typedef void (*TessRegisterControlRoutine)(const TessPluginControl* definition);
typedef void (*TessRegisterDataSourceRoutine)(const TessPluginDataSource* definition);
/* The handler an application gave an event of a plug-in class, or 0; the
   plug-in calls it with the object and the event's parameters. */
typedef void* (*TessGetEventInstanceRoutine)(TessObject* object, const TessPluginEvent* event);

#ifdef __cplusplus
}
#endif

#endif
