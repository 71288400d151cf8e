// Resource identifiers, grouped by resource. Command identifiers live in core/command_id.h and
// core/menu_layout.h; the menu below repeats them and a test holds the two together.
#pragma once

// String table
#define IDS_APP_TITLE 103
#define IDS_WINDOW_CLASS 109

// Icons: 107 large, 108 small, 128 the About box's picture
#define IDI_VEMTORA 107
#define IDI_SMALL 108
#define IDI_ABOUT 128

// Menu and accelerator table share one number
#define IDC_VEMTORA 109

// Dialog
#define IDD_ABOUTBOX 103

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
