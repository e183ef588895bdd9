/* The runtime's entry points: the one list from which the public declarations
   (tessera/runtime.h) and the runtime link table are generated. Every entry
   here is implemented; the link table holds exactly these names.

   TESS_ENTRY(result, Name, (parameters))

   Entry points follow the image calling convention: arguments pushed right to
   left and removed by the caller, results in EAX (floating point on the x87
   stack). Strings and objects returned carry one reference for the caller. */

/* One entry to a line, however long, so the list reads and greps as a table. */
/* clang-format off */

/* Start-up and messages */
TESS_ENTRY(void, RuntimeMsgBox, (TessString * message))

/* Objects and reference counts. The lock and unlock entry points keep the
   caller's EAX, ECX and EDX. Booleans come back as 0 or 1 in EAX. */
TESS_ENTRY(void, RuntimeLockObject, (TessObject * object))
TESS_ENTRY(void, RuntimeUnlockObject, (TessObject * object))
TESS_ENTRY(int32_t, RuntimeObjectIsa, (TessObject * object, int32_t classIndex))
TESS_ENTRY(void, RuntimeCheckCast, (TessObject * object, int32_t classIndex))
TESS_ENTRY(void*, FindVTableCode, (TessObject * object, int32_t slot))
TESS_ENTRY(void*, FindInterfaceVTableCode, (TessObject * object, int32_t slot, int32_t interfaceIndex))
TESS_ENTRY(void*, RuntimeFindHookCode, (TessObject * object, int32_t eventId))
/* A new instance of the class of that name, or nil (unknown, interface). */
TESS_ENTRY(TessObject*, CreateInstance, (TessString * className))

/* Debugging */
TESS_ENTRY(int32_t, RuntimeDebugObjectCount, (TessObject * exclude))
TESS_ENTRY(int32_t, RuntimeDebugObjectID, (TessObject * exclude, int32_t index))
TESS_ENTRY(TessString*, RuntimeDebugObjectClass, (TessObject * exclude, int32_t index))
TESS_ENTRY(int32_t, RuntimeDebugObjectRefs, (TessObject * exclude, int32_t index))
TESS_ENTRY(int32_t, RuntimeDebugMemoryUsed, (void))
TESS_ENTRY(TessObject*, RuntimeDebugInstance, (void))
TESS_ENTRY(void, debugDumpObjects, (TessObject * output))

/* Strings: references, concatenation and comparison */
TESS_ENTRY(void, RuntimeLockString, (TessString * s))
TESS_ENTRY(void, RuntimeUnlockString, (TessString * s))
TESS_ENTRY(void, RuntimeLockUnlockStrings, (TessString * newValue, TessString* oldValue))
TESS_ENTRY(TessString*, RuntimeAddString, (TessString * a, TessString* b))
TESS_ENTRY(int32_t, RuntimeStringCompare, (TessString * a, TessString* b))
TESS_ENTRY(int32_t, StringStrCompare, (TessString * a, TessString* b, int32_t mode))

/* String functions */
TESS_ENTRY(TessString*, StringLeft, (TessString * s, int32_t count))
TESS_ENTRY(TessString*, StringRight, (TessString * s, int32_t count))
TESS_ENTRY(TessString*, StringMid2, (TessString * s, int32_t start))
TESS_ENTRY(TessString*, StringMid3, (TessString * s, int32_t start, int32_t count))
TESS_ENTRY(int32_t, StringLen, (TessString * s))
TESS_ENTRY(int32_t, StringAsc, (TessString * s))
TESS_ENTRY(TessString*, StringChr, (int32_t code))
TESS_ENTRY(TessString*, StringLCase, (TessString * s))
TESS_ENTRY(TessString*, StringUCase, (TessString * s))
TESS_ENTRY(TessString*, StringTitleCase, (TessString * s))
TESS_ENTRY(int32_t, StringInStr, (int32_t start, TessString* s, TessString* find))
TESS_ENTRY(int32_t, StringInStrB, (int32_t start, TessString* s, TessString* find))
TESS_ENTRY(TessString*, StringReplace, (TessString * s, TessString* find, TessString* with))
TESS_ENTRY(TessString*, StringReplaceAll, (TessString * s, TessString* find, TessString* with))
TESS_ENTRY(int32_t, StringCountFields, (TessString * s, TessString* separator))
TESS_ENTRY(TessString*, StringNthField, (TessString * s, TessString* separator, int32_t n))
TESS_ENTRY(TessString*, runLTrim, (TessString * s))
TESS_ENTRY(TessString*, runRTrim, (TessString * s))
TESS_ENTRY(TessString*, runTrim, (TessString * s))
TESS_ENTRY(double, StringVal, (TessString * s))
TESS_ENTRY(double, runCDbl, (TessString * s))
TESS_ENTRY(TessString*, RuntimeHex, (int32_t n))
TESS_ENTRY(TessString*, RuntimeOct, (int32_t n))
TESS_ENTRY(TessString*, RuntimeBin, (int32_t n))
TESS_ENTRY(const char*, StringToCString, (TessString * s))
TESS_ENTRY(const uint8_t*, StringToPString, (TessString * s))
TESS_ENTRY(uint32_t, StringToOSType, (TessString * s))
TESS_ENTRY(const char*, StringGetCString, (TessString * s))
TESS_ENTRY(const uint8_t*, StringGetPString, (TessString * s))

/* Character-aware string functions (counts and positions in characters) */
TESS_ENTRY(int32_t, StringDBCSLen, (TessString * s))
TESS_ENTRY(TessString*, StringDBCSLeft, (TessString * s, int32_t count))
TESS_ENTRY(TessString*, StringDBCSRight, (TessString * s, int32_t count))
TESS_ENTRY(TessString*, StringDBCSMid2, (TessString * s, int32_t start))
TESS_ENTRY(TessString*, StringDBCSMid3, (TessString * s, int32_t start, int32_t count))
TESS_ENTRY(int32_t, StringDBCSInStr, (int32_t start, TessString* s, TessString* find))
TESS_ENTRY(int32_t, StringDBCSAsc, (TessString * s))
TESS_ENTRY(TessString*, StringDBCSChr, (int32_t code))

/* Plug-in string services */
TESS_ENTRY(TessString*, TessBuildString, (const void* bytes, int32_t length))
TESS_ENTRY(void, TessLockString, (TessString * s))
TESS_ENTRY(void, TessUnlockString, (TessString * s))
TESS_ENTRY(uint32_t, TessGetStringEncoding, (TessString * s))
TESS_ENTRY(void, TessSetStringEncoding, (TessString * s, uint32_t encoding))

/* Generic property accessors: `offset` is the value's byte offset in the object */
TESS_ENTRY(TessString*, stringGetter, (TessObject * object, uint32_t offset))
TESS_ENTRY(void, stringSetter, (TessObject * object, uint32_t offset, TessString* value))
TESS_ENTRY(int32_t, intGetter, (TessObject * object, uint32_t offset))
TESS_ENTRY(void, intSetter, (TessObject * object, uint32_t offset, int32_t value))
TESS_ENTRY(float, singleGetter, (TessObject * object, uint32_t offset))
TESS_ENTRY(void, singleSetter, (TessObject * object, uint32_t offset, float value))
TESS_ENTRY(double, doubleGetter, (TessObject * object, uint32_t offset))
TESS_ENTRY(void, doubleSetter, (TessObject * object, uint32_t offset, double value))
TESS_ENTRY(int32_t, boolGetter, (TessObject * object, uint32_t offset))
TESS_ENTRY(void, boolSetter, (TessObject * object, uint32_t offset, int32_t value))
TESS_ENTRY(int32_t, shortGetter, (TessObject * object, uint32_t offset))
TESS_ENTRY(void, shortSetter, (TessObject * object, uint32_t offset, int32_t value))
TESS_ENTRY(TessObject*, objGetter, (TessObject * object, uint32_t offset))
TESS_ENTRY(void, objSetter, (TessObject * object, uint32_t offset, TessObject* value))
/* Setters that also redraw what shows the object when the value changed;
   doublePercent stores a fraction and reads and writes a percentage. */
TESS_ENTRY(void, stringInvalidateSetter, (TessObject * object, uint32_t offset, TessString* value))
TESS_ENTRY(void, intInvalidateSetter, (TessObject * object, uint32_t offset, int32_t value))
TESS_ENTRY(void, boolInvalidateSetter, (TessObject * object, uint32_t offset, int32_t value))
TESS_ENTRY(void, objInvalidateSetter, (TessObject * object, uint32_t offset, TessObject* value))
TESS_ENTRY(double, doublePercentGetter, (TessObject * object, uint32_t offset))
TESS_ENTRY(void, doublePercentSetter, (TessObject * object, uint32_t offset, double value))
/* The native handle of a window or control object; 0 for anything else. */
TESS_ENTRY(int32_t, getterWinHWND, (TessObject * object, uint32_t parameter))

/* Exceptions and the stack check */
TESS_ENTRY(void, RuntimeRaiseException, (TessObject * exception))
TESS_ENTRY(void, RuntimeReraiseException, (TessObject * exception))
TESS_ENTRY(void, RuntimeNilObject, (void))
TESS_ENTRY(void, RuntimeStackCheck, (void))
TESS_ENTRY(void, TessInitStackChecker, (uint32_t size))
TESS_ENTRY(uintptr_t, TessGetStackLimit, (void))
TESS_ENTRY(void, TessSetStackLimit, (uintptr_t limit))

/* Start-up, the run loop and the application */
TESS_ENTRY(void, RuntimeInit, (const void* descriptor))
TESS_ENTRY(void, RuntimeRun, (void))
TESS_ENTRY(TessObject*, RuntimeNewObject, (int32_t classIndex))
TESS_ENTRY(TessObject*, RuntimeProjectObject, (int32_t index))
TESS_ENTRY(TessObject*, getAppObject, (void))
TESS_ENTRY(int32_t, ApplicationQuit, (void))
TESS_ENTRY(void, ApplicationNewDocument, (TessObject * application))
TESS_ENTRY(void, ApplicationOpenDocument, (TessObject * application, TessObject* item))
TESS_ENTRY(void, RuntimeBackgroundTask, (void))

/* Arrays. The creator owns an array and disposes of it with the entry of its
   element type. Indices are zero-based; an index outside its dimension raises
   OutOfBoundsException. Boolean arrays are resized in place or moved: the
   entries that change their size return the block to keep. */
TESS_ENTRY(TessArray*, RuntimeCreateArray, (void))
TESS_ENTRY(void, RuntimeArrayCreateAddIndex, (TessArray * array, int32_t lower, int32_t upper))
TESS_ENTRY(int32_t, RuntimeUBound, (TessArray * array))
TESS_ENTRY(int32_t, RuntimeUBound2Param, (TessArray * array, int32_t dimension))
TESS_ENTRY(void, RuntimeRedimIntArrayLevel, (TessArray * array, int32_t level, int32_t upperBound))
TESS_ENTRY(void, RuntimeRedimStringArrayLevel, (TessArray * array, int32_t level, int32_t upperBound))
TESS_ENTRY(void, RuntimeRedimObjectArrayLevel, (TessArray * array, int32_t level, int32_t upperBound))
TESS_ENTRY(void, RuntimeDisposeIntArray, (TessArray * array))
TESS_ENTRY(void, RuntimeDisposeStringArray, (TessArray * array))
TESS_ENTRY(void, RuntimeDisposeObjectArray, (TessArray * array))
TESS_ENTRY(int32_t, RuntimeDirectReadIntArray, (TessArray * array, int32_t index))
TESS_ENTRY(float, RuntimeDirectReadSingleArray, (TessArray * array, int32_t index))
TESS_ENTRY(double, RuntimeDirectReadDoubleArray, (TessArray * array, int32_t index))
TESS_ENTRY(TessString*, RuntimeDirectReadStringArray, (TessArray * array, int32_t index))
TESS_ENTRY(TessObject*, RuntimeDirectReadObjectArray, (TessArray * array, int32_t index))
TESS_ENTRY(void, RuntimeDirectWriteIntArray, (TessArray * array, int32_t index, int32_t value))
TESS_ENTRY(void, RuntimeDirectWriteSingleArray, (TessArray * array, int32_t index, float value))
TESS_ENTRY(void, RuntimeDirectWriteDoubleArray, (TessArray * array, int32_t index, double value))
TESS_ENTRY(void, RuntimeDirectWriteStringArray, (TessArray * array, int32_t index, TessString* value))
TESS_ENTRY(void, RuntimeDirectWriteObjectArray, (TessArray * array, int32_t index, TessObject* value))
TESS_ENTRY(void, RuntimeArrayStartReadAccess, (TessArray * array, int32_t index))
TESS_ENTRY(void, RuntimeArrayStartWriteAccess, (TessArray * array, int32_t index))
TESS_ENTRY(void, RuntimeArrayAddReadIndex, (TessArray * array, int32_t index))
TESS_ENTRY(void, RuntimeArrayAddWriteIndex, (TessArray * array, int32_t index))
TESS_ENTRY(int32_t, RuntimeReadIntArray, (TessArray * array, int32_t index))
TESS_ENTRY(float, RuntimeReadSingleArray, (TessArray * array, int32_t index))
TESS_ENTRY(double, RuntimeReadDoubleArray, (TessArray * array, int32_t index))
TESS_ENTRY(TessString*, RuntimeReadStringArray, (TessArray * array, int32_t index))
TESS_ENTRY(TessObject*, RuntimeReadObjectArray, (TessArray * array, int32_t index))
TESS_ENTRY(void, RuntimeWriteIntArray, (TessArray * array, int32_t index, int32_t value))
TESS_ENTRY(void, RuntimeWriteSingleArray, (TessArray * array, int32_t index, float value))
TESS_ENTRY(void, RuntimeWriteDoubleArray, (TessArray * array, int32_t index, double value))
TESS_ENTRY(void, RuntimeWriteStringArray, (TessArray * array, int32_t index, TessString* value))
TESS_ENTRY(void, RuntimeWriteObjectArray, (TessArray * array, int32_t index, TessObject* value))
TESS_ENTRY(void, RuntimeIntArrayAppend, (TessArray * array, int32_t value))
TESS_ENTRY(void, RuntimeSingleArrayAppend, (TessArray * array, float value))
TESS_ENTRY(void, RuntimeDoubleArrayAppend, (TessArray * array, double value))
TESS_ENTRY(void, RuntimeStringArrayAppend, (TessArray * array, TessString* value))
TESS_ENTRY(void, RuntimeObjectArrayAppend, (TessArray * array, TessObject* value))
TESS_ENTRY(void, RuntimeIntArrayInsert, (TessArray * array, int32_t index, int32_t value))
TESS_ENTRY(void, RuntimeSingleArrayInsert, (TessArray * array, int32_t index, float value))
TESS_ENTRY(void, RuntimeDoubleArrayInsert, (TessArray * array, int32_t index, double value))
TESS_ENTRY(void, RuntimeStringArrayInsert, (TessArray * array, int32_t index, TessString* value))
TESS_ENTRY(void, RuntimeObjectArrayInsert, (TessArray * array, int32_t index, TessObject* value))
TESS_ENTRY(void, RuntimeIntArrayRemove, (TessArray * array, int32_t index))
TESS_ENTRY(void, RuntimeStringArrayRemove, (TessArray * array, int32_t index))
TESS_ENTRY(void, RuntimeObjectArrayRemove, (TessArray * array, int32_t index))
TESS_ENTRY(void, RuntimeIntArraySort, (TessArray * array))
TESS_ENTRY(void, RuntimeSingleArraySort, (TessArray * array))
TESS_ENTRY(void, RuntimeDoubleArraySort, (TessArray * array))
TESS_ENTRY(void, RuntimeStringArraySort, (TessArray * array))
TESS_ENTRY(TessBoolArray*, RuntimeCreateFastBooleanArray, (int32_t upperBound))
TESS_ENTRY(int32_t, RuntimeFastArrayUBound, (TessBoolArray * array))
TESS_ENTRY(int32_t, RuntimeFastArrayUBound2Param, (TessBoolArray * array, int32_t dimension))
TESS_ENTRY(TessBoolArray*, RuntimeRedimFastBoolArray, (TessBoolArray * array, int32_t upperBound))
TESS_ENTRY(int32_t, RuntimeFastReadBoolArray, (TessBoolArray * array, int32_t index))
TESS_ENTRY(void, RuntimeFastWriteBoolArray, (TessBoolArray * array, int32_t index, int32_t value))
TESS_ENTRY(TessBoolArray*, RuntimeFastBooleanArrayAppend, (TessBoolArray * array, int32_t value))
TESS_ENTRY(TessBoolArray*, RuntimeFastBooleanArrayInsert, (TessBoolArray * array, int32_t index, int32_t value))
TESS_ENTRY(TessBoolArray*, RuntimeFastBooleanArrayRemove, (TessBoolArray * array, int32_t index))
TESS_ENTRY(void, RuntimeDisposeFastBooleanArray, (TessBoolArray * array))

/* Math. Doubles in and out (results on the x87 stack, rounded to double
   precision); NaN propagates, Max and Min included. Round takes halves away
   from zero. */
TESS_ENTRY(double, RuntimeACos, (double x))
TESS_ENTRY(double, RuntimeASin, (double x))
TESS_ENTRY(double, RuntimeATan, (double x))
TESS_ENTRY(double, RuntimeATan2, (double y, double x))
TESS_ENTRY(double, RuntimeCos, (double x))
TESS_ENTRY(double, RuntimeSin, (double x))
TESS_ENTRY(double, RuntimeTan, (double x))
TESS_ENTRY(double, RuntimeExp, (double x))
TESS_ENTRY(double, RuntimeLog, (double x))
TESS_ENTRY(double, RuntimePow, (double x, double y))
TESS_ENTRY(double, RuntimeSqrt, (double x))
TESS_ENTRY(double, RuntimeCeil, (double x))
TESS_ENTRY(double, RuntimeFloor, (double x))
TESS_ENTRY(double, RuntimeRound, (double x))
TESS_ENTRY(double, RuntimeAbs, (double x))
TESS_ENTRY(double, RuntimeMax, (double a, double b))
TESS_ENTRY(double, RuntimeMin, (double a, double b))
TESS_ENTRY(double, rnd, (void))

/* Clocks and the bell: Ticks in sixtieths of a second, Microseconds as a
   double, both since the runtime started. */
TESS_ENTRY(int32_t, RuntimeTicks, (void))
TESS_ENTRY(double, RuntimeMicroseconds, (void))
TESS_ENTRY(void, RuntimeBeep, (void))

/* Integer operations and numeric conversions. Doubles and Singles become
   Integers by truncation toward zero; NaN, infinities and values beyond the
   Integer range give 0x80000000. */
TESS_ENTRY(int32_t, BitwiseAnd, (int32_t a, int32_t b))
TESS_ENTRY(int32_t, BitwiseOr, (int32_t a, int32_t b))
TESS_ENTRY(int32_t, BitwiseXor, (int32_t a, int32_t b))
TESS_ENTRY(int32_t, FPToInt, (double x))
TESS_ENTRY(double, IntToFP, (int32_t n))
TESS_ENTRY(int32_t, SingleToInt, (float x))
TESS_ENTRY(int32_t, RuntimeShortToInteger, (int32_t n))

/* Colours (0x00RRGGBB). RGB clamps its components to 0-255; HSV, CMY and the
   fractional readers work in 0-1. */
TESS_ENTRY(int32_t, RuntimeRGB, (int32_t red, int32_t green, int32_t blue))
TESS_ENTRY(int32_t, RuntimeHSV, (double hue, double saturation, double value))
TESS_ENTRY(int32_t, RuntimeCMY, (double cyan, double magenta, double yellow))
TESS_ENTRY(int32_t, readColorRed, (int32_t color))
TESS_ENTRY(int32_t, readColorGreen, (int32_t color))
TESS_ENTRY(int32_t, readColorBlue, (int32_t color))
TESS_ENTRY(double, readColorHue, (int32_t color))
TESS_ENTRY(double, readColorSaturation, (int32_t color))
TESS_ENTRY(double, readColorValue, (int32_t color))
TESS_ENTRY(double, readColorCyan, (int32_t color))
TESS_ENTRY(double, readColorMagenta, (int32_t color))
TESS_ENTRY(double, readColorYellow, (int32_t color))

/* The current mouse event is a contextual-menu click (the right button). */
TESS_ENTRY(int32_t, IsCMMClick, (void))

/* Number formatting */
TESS_ENTRY(TessString*, StringStr, (double x))
TESS_ENTRY(TessString*, StringFormat, (double x, TessString* picture))
TESS_ENTRY(TessString*, runCStr, (double x))

/* Variant: boxing creates a new Variant (count 1); unboxing a nil variant
   raises NilObjectException, an undefined conversion typeMismatchException. */
TESS_ENTRY(TessObject*, intToVariant, (int32_t value))
TESS_ENTRY(TessObject*, doubleToVariant, (double value))
TESS_ENTRY(TessObject*, DateToVariant, (TessObject * date))
TESS_ENTRY(TessObject*, stringToVariant, (TessString * value))
TESS_ENTRY(TessObject*, objectToVariant, (TessObject * value))
TESS_ENTRY(TessObject*, booleanToVariant, (int32_t value))
TESS_ENTRY(TessObject*, colorToVariant, (uint32_t value))
TESS_ENTRY(TessObject*, getNilVariant, (void))
TESS_ENTRY(int32_t, variantToInt, (TessObject * variant))
TESS_ENTRY(uint32_t, variantToColor, (TessObject * variant))
TESS_ENTRY(double, variantToDouble, (TessObject * variant))
TESS_ENTRY(int32_t, variantToBoolean, (TessObject * variant))
TESS_ENTRY(TessString*, variantToString, (TessObject * variant))
TESS_ENTRY(TessObject*, VariantToDate, (TessObject * variant))
TESS_ENTRY(TessObject*, variantToObject, (TessObject * variant))
TESS_ENTRY(int32_t, VariantHash, (TessObject * variant))
TESS_ENTRY(int32_t, VariantEqual, (TessObject * a, TessObject* b))
/* The type code (0 for a nil reference); numeric is Integer or Double only. */
TESS_ENTRY(int32_t, VarType, (TessObject * variant))
TESS_ENTRY(int32_t, IsNumeric, (TessObject * variant))
TESS_ENTRY(int32_t, IsNull, (TessObject * variant))

/* Dictionary and Collection. Property accessors take the property record's
   parameter after the object, as the generic accessors do. */
TESS_ENTRY(int32_t, dictionaryCount, (TessObject * dictionary, uint32_t parameter))
TESS_ENTRY(int32_t, dictionaryGetBins, (TessObject * dictionary, uint32_t parameter))
TESS_ENTRY(void, dictionarySetBins, (TessObject * dictionary, uint32_t parameter, int32_t bins))
TESS_ENTRY(TessObject*, dictionaryValueGetter, (TessObject * dictionary, TessObject* key))
TESS_ENTRY(void, dictionaryValueSetter, (TessObject * dictionary, TessObject* key, TessObject* value))
TESS_ENTRY(int32_t, dictionaryHasKey, (TessObject * dictionary, TessObject* key))
TESS_ENTRY(TessObject*, dictionaryKey, (TessObject * dictionary, int32_t index))
TESS_ENTRY(void, dictionaryRemove, (TessObject * dictionary, TessObject* key))
TESS_ENTRY(void, dictionaryRemoveAll, (TessObject * dictionary))
TESS_ENTRY(int32_t, collectionCount, (TessObject * collection, uint32_t parameter))
TESS_ENTRY(void, collectionAdd, (TessObject * collection, TessObject* value, TessString* key))
TESS_ENTRY(TessObject*, collectionIdxItem, (TessObject * collection, int32_t index))
TESS_ENTRY(TessObject*, collectionItem, (TessObject * collection, TessString* key))
TESS_ENTRY(void, collectionIdxRemove, (TessObject * collection, int32_t index))
TESS_ENTRY(void, collectionKeyRemove, (TessObject * collection, TessString* key))

/* Date: the field accessors take the property's parameter (Year, Month, Day,
   Hour, Minute, Second, DayOfWeek, DayOfYear, WeekOfYear from 0), the text
   getter likewise (ShortDate, LongDate, AbbreviatedDate, ShortTime,
   LongTime). parseDate stores a new Date in *date, releasing the one it
   held, and returns 1; otherwise it leaves *date alone and returns 0. */
TESS_ENTRY(int32_t, dateFieldGetter, (TessObject * date, uint32_t field))
TESS_ENTRY(void, dateFieldSetter, (TessObject * date, uint32_t field, int32_t value))
TESS_ENTRY(TessString*, dateStringGetter, (TessObject * date, uint32_t form))
TESS_ENTRY(double, dateTotalSecondsGetter, (TessObject * date, uint32_t unused))
TESS_ENTRY(void, dateTotalSecondsSetter, (TessObject * date, uint32_t unused, double seconds))
TESS_ENTRY(int32_t, parseDate, (TessString * text, TessObject** date))

/* MemoryBlock */
TESS_ENTRY(TessObject*, newMemoryBlock, (int32_t size))
TESS_ENTRY(TessObject*, PtrToMemoryBlock, (void* pointer))
TESS_ENTRY(void*, memoryBlockGetPtr, (TessObject * block))
TESS_ENTRY(int32_t, memoryBlockGetSize, (TessObject * block, uint32_t parameter))
TESS_ENTRY(void, memoryBlockSetSize, (TessObject * block, uint32_t parameter, int32_t size))
TESS_ENTRY(int32_t, memoryGetByte, (TessObject * block, int32_t offset))
TESS_ENTRY(void, memorySetByte, (TessObject * block, int32_t offset, int32_t value))
TESS_ENTRY(int32_t, memoryGetBoolean, (TessObject * block, int32_t offset))
TESS_ENTRY(void, memorySetBoolean, (TessObject * block, int32_t offset, int32_t value))
TESS_ENTRY(int32_t, memoryGetShort, (TessObject * block, int32_t offset))
TESS_ENTRY(int32_t, memoryGetUShort, (TessObject * block, int32_t offset))
TESS_ENTRY(void, memorySetShort, (TessObject * block, int32_t offset, int32_t value))
TESS_ENTRY(int32_t, memoryGetLong, (TessObject * block, int32_t offset))
TESS_ENTRY(void, memorySetLong, (TessObject * block, int32_t offset, int32_t value))
TESS_ENTRY(double, memoryGetSingle, (TessObject * block, int32_t offset))
TESS_ENTRY(void, memorySetSingle, (TessObject * block, int32_t offset, double value))
TESS_ENTRY(double, memoryGetDouble, (TessObject * block, int32_t offset))
TESS_ENTRY(void, memorySetDouble, (TessObject * block, int32_t offset, double value))
TESS_ENTRY(TessObject*, memoryGetPtr, (TessObject * block, int32_t offset))
TESS_ENTRY(void, memorySetPtr, (TessObject * block, int32_t offset, TessObject* value))
TESS_ENTRY(int32_t, memoryGetColor, (TessObject * block, int32_t offset, int32_t bits))
TESS_ENTRY(void, memorySetColor, (TessObject * block, int32_t offset, int32_t bits, int32_t color))
TESS_ENTRY(TessString*, memoryGetPString, (TessObject * block, int32_t offset))
TESS_ENTRY(void, memorySetPString, (TessObject * block, int32_t offset, TessString* value))
TESS_ENTRY(TessString*, memoryGetCString, (TessObject * block, int32_t offset))
TESS_ENTRY(void, memorySetCString, (TessObject * block, int32_t offset, TessString* value))
TESS_ENTRY(TessString*, memoryGetString, (TessObject * block, int32_t offset, int32_t length))
TESS_ENTRY(void, memorySetString, (TessObject * block, int32_t offset, int32_t length, TessString* value))

/* Text encodings */
TESS_ENTRY(TessObject*, getTextEncoding, (int32_t base, int32_t variant, int32_t format))
TESS_ENTRY(int32_t, textEncodingBaseGetter, (TessObject * encoding, uint32_t parameter))
TESS_ENTRY(int32_t, textEncodingVariantGetter, (TessObject * encoding, uint32_t parameter))
TESS_ENTRY(int32_t, textEncodingFormatGetter, (TessObject * encoding, uint32_t parameter))
TESS_ENTRY(TessString*, textEncodingInternetName, (TessObject * encoding, uint32_t parameter))
TESS_ENTRY(TessObject*, getInternetTextEncoding, (TessString * name))
TESS_ENTRY(TessObject*, getFontTextEncoding, (TessString * fontName))
TESS_ENTRY(TessObject*, getTextConverter, (TessObject * source, TessObject* destination))
TESS_ENTRY(TessString*, textConverterConvert, (TessObject * converter, TessString* s))
TESS_ENTRY(void, textConverterClear, (TessObject * converter))
TESS_ENTRY(TessObject*, guessJapaneseEncoding, (TessString * s))

/* clang-format on */
