// Numeric ids of the program's resources and menu commands, shared by the
// resource script and the C++ code (so plain #defines, no C++ syntax).
#pragma once

// Resources of the executable.
#define IDB_SPLASH 101          // start-up picture, 384 x 216, 256 colours
#define IDI_APP 102             // program icon (16, 32, 48)
#define IDI_GAME_CONTENT 103    // "game content" icon of the source buttons (16, 32, 48)
#define IDR_MAINMENU 104        // main window menu
#define IDR_ACCELERATORS 105    // keyboard shortcuts of the main window
#define IDI_FILENAME_BUTTON 106 // convert window's file-name button (16, 32)

// Version information and the manifest use the conventional id 1.
#define IDV_VERSION 1
#define IDM_MANIFEST 1

// Menu commands. 223 is reached only through Alt+M; no menu item carries it.
#define IDM_FILE_NEW 201
#define IDM_FILE_SAVE 202
#define IDM_FILE_EXIT 203
#define IDM_VIEW_MODE_FIND 221
#define IDM_VIEW_MODE_LAYERED 222
#define IDM_VIEW_MODE_TOGGLE 223
#define IDM_VIEW_ALPHA_ON 225
#define IDM_VIEW_ALPHA_OFF 226
#define IDM_VIEW_BG_BLUE 228
#define IDM_VIEW_BG_GREEN 229
#define IDM_VIEW_BG_PURPLE 230
#define IDM_VIEW_BG_BLACK 231
#define IDM_VIEW_ANIM_NONE 233
#define IDM_VIEW_ANIM_1FPS 234
#define IDM_VIEW_ANIM_10FPS 235
#define IDM_VIEW_ANIM_30FPS 236
#define IDM_DEBUG_WARNINGS 241
#define IDM_DEBUG_INFO 242
#define IDM_DEBUG_DEBUG 243
#define IDM_DEBUG_TRACE 244
#define IDM_HELP_CONTENTS 261
#define IDM_HELP_ABOUT 262
// Looking closer at a picture and getting it out: items after the ones above
// in their menus.
#define IDM_VIEW_ZOOM_IN 270
#define IDM_VIEW_ZOOM_OUT 271
#define IDM_VIEW_ZOOM_ACTUAL 272
#define IDM_VIEW_ZOOM_FIT 273
#define IDM_VIEW_LEVEL_NEXT 274
#define IDM_VIEW_LEVEL_PREVIOUS 275
#define IDM_VIEW_TEXTURE_INFO 276
#define IDM_VIEW_PREVIEW_ORIGINAL 277
#define IDM_VIEW_PREVIEW_DXT1 278
#define IDM_VIEW_PREVIEW_DXT3 279
#define IDM_VIEW_PREVIEW_DXT5 280
#define IDM_VIEW_DIFFERENCE 281
#define IDM_FILE_SAVE_IMAGE 282
// The texture check: items after the ones above in the File menu.
#define IDM_FILE_CHECK_TEXTURES 290
#define IDM_FILE_SHOW_OVERRIDES 291

// The version shown in the file properties (K4_VERSION_NUMBERS,
// K4_VERSION_TEXT), generated from the top-level CMakeLists.txt.
#include "k4version.h"
