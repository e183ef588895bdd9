/* Stands in for a host library that the runtime loads on first use: it
   exports none of the routines asked of it. */
int tessera_absent_library_stand_in;
