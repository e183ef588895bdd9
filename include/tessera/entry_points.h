/* The runtime's entry points: the one list from which the public declarations
   (tessera/runtime.h) and the runtime link table are generated. Every entry
   here is implemented; the link table holds exactly these names.

   TESS_ENTRY(result, Name, (parameters))

   Entry points follow the image calling convention: arguments pushed right to
   left and removed by the caller, results in EAX (floating point on the x87
   stack). Strings and objects returned carry one reference for the caller. */

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

/* Number formatting */

/* Variant: boxing creates a new Variant (count 1); unboxing a nil variant
   raises NilObjectException, an undefined conversion typeMismatchException. */

/* Dictionary and Collection */

/* Date */

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
