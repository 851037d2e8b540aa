// The main window's flat, light look: six shared brushes, control colours,
// owner-drawn push buttons, the Sales/Collection pill and the grid header.
#pragma once

#include <windows.h>
#include <commctrl.h>

constexpr COLORREF kInk = RGB(0x17, 0x20, 0x33);
constexpr COLORREF kMuted = RGB(0x70, 0x7A, 0x86);
constexpr COLORREF kWindowColour = RGB(0xF5, 0xF7, 0xFA);
constexpr COLORREF kWhite = RGB(0xFF, 0xFF, 0xFF);
constexpr COLORREF kHeaderColour = RGB(0xE9, 0xEC, 0xF0);
constexpr COLORREF kButtonFace = RGB(0xFC, 0xFD, 0xFE);
constexpr COLORREF kButtonPressed = RGB(0xE4, 0xEB, 0xF2);
constexpr COLORREF kFrameColour = RGB(0xCB, 0xD3, 0xDB);
constexpr COLORREF kAccent = RGB(0x00, 0x78, 0xD7);

struct SharedBrushes {
    HBRUSH window = nullptr;
    HBRUSH white = nullptr;
    HBRUSH header = nullptr;
    HBRUSH buttonFace = nullptr;
    HBRUSH buttonPressed = nullptr;
    HBRUSH frame = nullptr;
};

// Created once for the process; null until CreateSharedBrushes.
const SharedBrushes& Brushes();
// Does nothing when they exist already.
void CreateSharedBrushes();
// Deletes each that exists and forgets it, so a second call does nothing.
void DeleteSharedBrushes();

// WM_CTLCOLOR*: the brush to return.
HBRUSH ControlColours(UINT message, HDC dc);

// The header's check box, with a tick when checked.
void PaintCheckBox(HDC dc, const RECT& rect, bool checked);
void PaintModeToggle(const DRAWITEMSTRUCT& item, bool collectionMode);
void PaintOwnerButton(const DRAWITEMSTRUCT& item);
