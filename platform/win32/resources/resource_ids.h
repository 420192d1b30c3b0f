// IDs of the program's resources, shared by launcher.rc and the toolkit.
#pragma once

#define LAUNCHER_ICON_ID 1
