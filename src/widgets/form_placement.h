#pragma once

#include <QMargins>
#include <QRect>
#include <QSize>

class QWidget;

namespace korvan {

// Where the program's windows open: each with its frame (title bar included) inside the
// available area of its screen, so that it can be moved and closed with the mouse; a tool
// window beside its owner, or over the owner's chart but clear of what must stay visible.

// The frame the window system puts round a top-level window: its own once it is framed, else
// that of another framed window of the program (the same window system frames them alike),
// else a title bar's and a border's worth.
QMargins WindowFrame(const QWidget* window);

// The available area (without panels and task bars) of the screen that shows point, or of the
// primary screen.
QRect AvailableArea(const QPoint& point);

// The client rectangle of a window that would like client size wanted: as large as the area
// less the frame allows but never below minimum, centred so that its frame lies in the area
// (from the area's top left when even the minimum does not fit).
QRect FitClient(const QSize& wanted, const QSize& minimum, const QMargins& frame,
                const QRect& area);

// Sizes and places a top-level window by FitClient before it is shown, on the screen of the
// program's other windows.
void OpenFitted(QWidget* window, const QSize& wanted);

// What a tool window is placed by, in screen coordinates.
struct ToolSpot {
  QRect owner;       // the owner's frame
  QRect cover;       // what the tool may cover when there is no room beside the owner
  QRect keep_clear;  // what it never covers (within cover, along its top)
  bool IsNull() const { return owner.isNull(); }
};

// The frame rectangle of a tool window of frame size size (never smaller than minimum): to the
// right of the owner, else to its left, when the area has room; otherwise in the lower right of
// cover, below keep_clear, shrunk to the room there. Always within the area as far as the
// minimum allows.
QRect PlaceTool(const ToolSpot& spot, const QSize& size, const QSize& minimum, const QRect& area);

// Moves a tool window (shown or not) by PlaceTool, resized when it had to shrink.
void MoveToolWindow(QWidget* tool, const ToolSpot& spot);

}  // namespace korvan
