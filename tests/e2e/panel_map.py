"""Where a user clicks each panel button: the centre of its place in the panel layout.

The panel is one top-level window; its buttons sit at the layout table's positions, shifted
right by the 64-pixel keypad area unless they belong to that area. Buttons sized by their
bitmaps get a point a few pixels inside their top-left corner, inside every button shape.
"""

KEYPAD_AREA = 64

# id: (x, y, width, height, in the keypad area)
BUTTONS = {
    1131: (249, 33, 22, 23, False),  # channel up
    1133: (249, 57, 22, 24, False),  # channel down
    1139: (277, 33, 21, 23, False),  # settings sheet
    1140: (277, 57, 21, 24, False),  # input
    1136: (2, 13, 39, 19, False),  # album
    1138: (2, 35, 39, 19, False),  # snapshot
    1137: (2, 56, 39, 19, False),  # VCR pad
    1143: (294, 2, 20, 20, False),  # power
    1148: (37, 73, 13, 12, False),  # keypad
    1150: (26, 78, 34, 18, False),  # play
    1153: (62, 78, 34, 18, False),  # stop
    1152: (99, 78, 34, 18, False),  # record
    1154: (99, 78, 34, 18, False),  # live
    580: (24, 80, 0, 0, False),  # FM memory
    570: (175, 80, 0, 0, False),  # FM preset 0
}
for n in range(1, 10):
    BUTTONS[570 + n] = (14 * (n - 1) + 49, 80, 0, 0, False)


def PanelPoint(button_id):
    x, y, width, height, in_keypad = BUTTONS[button_id]
    if not in_keypad:
        x += KEYPAD_AREA
    if width and height:
        return x + width // 2, y + height // 2
    return x + 6, y + 6


def PanelRect(button_id):
    """The button's place (x, y, width, height) in the panel window."""
    x, y, width, height, in_keypad = BUTTONS[button_id]
    return (x if in_keypad else x + KEYPAD_AREA), y, width, height
