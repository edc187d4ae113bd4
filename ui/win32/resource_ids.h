// Identifiers of the setup program's resources, shared by its resource script and the view.
#pragma once

// The program's icon (16, 32 and 48 pixels), of the main window and the picker.
#define IDI_SETUP 1
