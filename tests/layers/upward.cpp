// A texts source that reaches up to the main window: with the texts target's include folders
// its own header is found and the window's is not.
#include "texts/error.h"
#include "app/form1.h"
