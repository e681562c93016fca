#!/usr/bin/env python3
"""Writes the program's picture set as SVG files into resources/icons/.

One flat style for every picture: a 24x24 canvas, rounded shapes, a soft fill
with a darker outline of the same hue. Run it again after changing a picture.
"""
import os

OUT = os.path.join(os.path.dirname(__file__), "..", "resources", "icons")

BLUE, BLUE_D = "#4a90d9", "#2f6fb3"
GREEN, GREEN_D = "#3fae6a", "#26804b"
ORANGE, ORANGE_D = "#f0a33a", "#c27a17"
RED, RED_D = "#e05a5a", "#b03a3a"
GREY, GREY_D = "#9aa5b1", "#66727f"
YELLOW, YELLOW_D = "#f5c95c", "#c99a2e"
PURPLE, PURPLE_D = "#8e6bd8", "#6547a8"
PAPER, PAPER_D = "#ffffff", "#7d8894"
INK = "#3b4450"


def svg(body):
    return ('<svg xmlns="http://www.w3.org/2000/svg" width="24" height="24" '
            'viewBox="0 0 24 24" stroke-linejoin="round" stroke-linecap="round">'
            + body + "</svg>\n")


def circle(cx, cy, r, fill, stroke, w=1.2):
    return f'<circle cx="{cx}" cy="{cy}" r="{r}" fill="{fill}" stroke="{stroke}" stroke-width="{w}"/>'


def rect(x, y, w, h, fill, stroke, rx=2, sw=1.2):
    return (f'<rect x="{x}" y="{y}" width="{w}" height="{h}" rx="{rx}" fill="{fill}" '
            f'stroke="{stroke}" stroke-width="{sw}"/>')


def path(d, fill="none", stroke=INK, w=1.6):
    return f'<path d="{d}" fill="{fill}" stroke="{stroke}" stroke-width="{w}"/>'


def play(cx=12, cy=12, s=1.0, fill="#fff"):
    return path(f"M{cx-3*s} {cy-4*s} L{cx+4*s} {cy} L{cx-3*s} {cy+4*s} Z", fill, fill, 1)


def bars(cx=12, cy=12, fill="#fff"):
    return rect(cx - 3.5, cy - 4, 2.6, 8, fill, fill, 0.6, 0.5) + rect(cx + 0.9, cy - 4, 2.6, 8, fill, fill, 0.6, 0.5)


def down_arrow(cx, cy, color, dark, s=1.0):
    return path(f"M{cx-2.2*s} {cy-6*s} H{cx+2.2*s} V{cy-0.5*s} H{cx+5*s} L{cx} {cy+5.5*s} "
                f"L{cx-5*s} {cy-0.5*s} H{cx-2.2*s} Z", color, dark, 1.2)


def plus(cx, cy, color=GREEN, dark=GREEN_D):
    return circle(cx, cy, 4.2, color, dark, 1) + path(f"M{cx-2.2} {cy} H{cx+2.2} M{cx} {cy-2.2} V{cy+2.2}", stroke="#fff", w=1.5)


def folder(fill=YELLOW, dark=YELLOW_D, open_=False):
    base = path("M2.5 6.5 a1.5 1.5 0 0 1 1.5 -1.5 H9 l2 2 H20 a1.5 1.5 0 0 1 1.5 1.5 V18 a1.5 1.5 0 0 1 -1.5 1.5 H4 a1.5 1.5 0 0 1 -1.5 -1.5 Z", fill, dark, 1.2)
    if open_:
        base += path("M4.5 10.5 H22 L19.5 19.5 H2.5 Z", "#fbe3a1", dark, 1.2)
    return base


def page(x=5, y=2.5, w=14, h=19):
    return path(f"M{x} {y+1.5} a1.5 1.5 0 0 1 1.5 -1.5 H{x+w-4} L{x+w} {y+4} V{y+h-1.5} "
                f"a1.5 1.5 0 0 1 -1.5 1.5 H{x+1.5} a1.5 1.5 0 0 1 -1.5 -1.5 Z", PAPER, PAPER_D, 1.2)


def lines(x, y, n, w=8):
    return "".join(path(f"M{x} {y+i*2.6} H{x+w}", stroke="#b7c0ca", w=1.2) for i in range(n))


def magnifier(cx=10, cy=10, r=5.5):
    return (circle(cx, cy, r, "#e8f1fb", BLUE_D, 1.8)
            + path(f"M{cx+r*0.72} {cy+r*0.72} L{cx+r*0.72+5} {cy+r*0.72+5}", stroke=BLUE_D, w=3))


def check(cx, cy, color="#fff", w=2):
    return path(f"M{cx-3.5} {cy} L{cx-1} {cy+2.6} L{cx+3.8} {cy-2.8}", stroke=color, w=w)


def clock(cx=12, cy=12, r=8.5, fill="#eef2f6", stroke=GREY_D):
    return circle(cx, cy, r, fill, stroke, 1.4) + path(f"M{cx} {cy-r*0.6} V{cy} L{cx+r*0.45} {cy+r*0.35}", stroke=INK, w=1.6)


def panel_layout(tree, top, bottom):
    """A window sketch: tree pane on the left, list above, details below."""
    body = rect(2.5, 3.5, 19, 17, "#f4f6f8", GREY_D, 2)
    if tree:
        body += rect(3.5, 4.5, 5, 15, BLUE, BLUE_D, 1, 0.8)
    x = 9.5 if tree else 3.5
    w = 21.5 - 1 - x
    if top:
        body += rect(x, 4.5, w, 7, GREEN, GREEN_D, 1, 0.8)
    if bottom:
        body += rect(x, 12.5, w, 7, ORANGE, ORANGE_D, 1, 0.8)
    return body


def cross(cx, cy, s=3, color=RED_D, w=2):
    return path(f"M{cx-s} {cy-s} L{cx+s} {cy+s} M{cx+s} {cy-s} L{cx-s} {cy+s}", stroke=color, w=w)


ICONS = {
    # The program: a quill over a download arrow in a blue disc.
    "MoorQuill": circle(12, 12, 10.5, BLUE, BLUE_D, 1.2)
    + path("M7 17 C9 11 13 6.5 18 5.5 C17 10 13.5 14 8.5 15.5", "#fff", "#fff", 1)
    + path("M7 17 L11 13", stroke=BLUE_D, w=1.2),
    # Category tree.
    "1": circle(12, 12, 10, BLUE, BLUE_D) + down_arrow(12, 11.5, "#fff", "#fff", 0.9),
    "2": magnifier(),
    "3": circle(12, 12, 10, GREEN, GREEN_D) + down_arrow(12, 11.5, "#fff", "#fff", 0.9),
    "4": folder() + check(12, 13.5, GREEN_D, 2.2),
    "5": folder(),
    "6": folder(open_=True),
    "7": path("M6 7.5 H18 L17 20 a1.5 1.5 0 0 1 -1.5 1.3 H8.5 a1.5 1.5 0 0 1 -1.5 -1.3 Z", "#dfe5eb", GREY_D, 1.2)
    + rect(4.5, 5, 15, 2.5, GREY, GREY_D, 1, 1) + rect(9.5, 2.8, 5, 2.2, GREY, GREY_D, 1, 1)
    + path("M10 10.5 V18 M14 10.5 V18", stroke=GREY_D, w=1.2),
    "History": clock(),
    "History1": rect(4, 5, 16, 15, PAPER, PAPER_D, 2) + rect(4, 5, 16, 4.5, RED, RED_D, 2)
    + "".join(rect(6.5 + 4 * (i % 3), 11.5 + 3.5 * (i // 3), 2.5, 2.2, "#c7d0da", "#c7d0da", 0.5, 0.2) for i in range(6)),
    # Row states.
    "Start": circle(12, 12, 9.5, GREEN, GREEN_D) + play(12.8, 12),
    "Pause": circle(12, 12, 9.5, ORANGE, ORANGE_D) + bars(),
    "Waitfor": clock(fill="#f2f4f7"),
    "Error": circle(12, 12, 9.5, RED, RED_D) + path("M12 6.5 V13.5", stroke="#fff", w=2.4) + circle(12, 17, 1.3, "#fff", "#fff", 0.5),
    "Ok": page() + circle(15.5, 16, 5, GREEN, GREEN_D, 1) + check(15.5, 16, "#fff", 1.6) + lines(8, 8, 3, 6),
    # Detail tree and log lines.
    "PicChart": rect(3, 3.5, 18, 17, PAPER, PAPER_D, 2) + rect(6, 13, 3, 5, BLUE, BLUE_D, 0.5, 0.8)
    + rect(10.5, 8.5, 3, 9.5, GREEN, GREEN_D, 0.5, 0.8) + rect(15, 11, 3, 7, ORANGE, ORANGE_D, 0.5, 0.8),
    "Jet": rect(2.5, 8, 19, 8, "#e8edf2", GREY_D, 2) + rect(3.5, 9, 10, 6, GREEN, GREEN, 1.2, 0.5),
    "Request": circle(12, 12, 9.5, "#e8f1fb", BLUE_D) + path("M8 16 L16 8 M10 8 H16 V14", stroke=BLUE_D, w=2),
    "Response": circle(12, 12, 9.5, "#e9f6ee", GREEN_D) + path("M16 8 L8 16 M8 10 V16 H14", stroke=GREEN_D, w=2),
    "Info1": circle(12, 12, 9.5, "#eef2f6", GREY_D) + path("M12 11 V17", stroke=INK, w=2.2) + circle(12, 7.6, 1.3, INK, INK, 0.5),
    # Main toolbar.
    "AddPf": page() + lines(8, 8, 2, 6) + down_arrow(12, 15, BLUE, BLUE_D, 0.7),
    "AddPbf": page(8, 2.5, 13, 17) + page(3, 5, 13, 17) + lines(6, 10, 2, 6) + down_arrow(9.5, 17, BLUE, BLUE_D, 0.6),
    "AddNewJob": circle(11, 11, 8.5, GREEN, GREEN_D) + down_arrow(11, 10.5, "#fff", "#fff", 0.75) + plus(18, 18, BLUE, BLUE_D),
    "AddNewJobB": circle(9, 9, 6.5, "#9fd6b3", GREEN_D) + circle(12, 12, 7, GREEN, GREEN_D)
    + down_arrow(12, 11.5, "#fff", "#fff", 0.6) + plus(18.5, 18.5, BLUE, BLUE_D),
    "AddSearch": magnifier(10, 10, 5.5) + plus(18.5, 6, GREEN, GREEN_D),
    "AllStart": circle(9, 12, 7, "#9fd6b3", GREEN_D) + circle(15, 12, 7, GREEN, GREEN_D) + play(15.8, 12, 0.85),
    "AllPause": circle(9, 12, 7, "#f7cf93", ORANGE_D) + circle(15, 12, 7, ORANGE, ORANGE_D) + bars(15, 12),
    "Comment": path("M3.5 5.5 a2 2 0 0 1 2 -2 H18.5 a2 2 0 0 1 2 2 V14 a2 2 0 0 1 -2 2 H10 L5.5 20 V16 a2 2 0 0 1 -2 -2 Z", "#fff6d8", YELLOW_D, 1.3)
    + lines(7, 7.5, 3, 10),
    "Delete": page() + circle(16, 16.5, 5, RED, RED_D, 1) + cross(16, 16.5, 2, "#fff", 1.6),
    "Openfile": page() + lines(8, 8, 2, 6) + circle(16, 16.5, 5, BLUE, BLUE_D, 1) + play(16.6, 16.5, 0.6),
    "Opendir": folder(open_=True),
    "Option": path("M12 2.8 L13.9 3.1 L14.4 5.6 L16.3 6.5 L18.4 5.1 L19.9 6.6 L18.5 8.7 L19.4 10.6 L21.2 11.1 V12.9 L19.4 13.4 "
                   "L18.5 15.3 L19.9 17.4 L18.4 18.9 L16.3 17.5 L14.4 18.4 L13.9 20.9 H10.1 L9.6 18.4 L7.7 17.5 L5.6 18.9 "
                   "L4.1 17.4 L5.5 15.3 L4.6 13.4 L2.8 12.9 V11.1 L4.6 10.6 L5.5 8.7 L4.1 6.6 L5.6 5.1 L7.7 6.5 L9.6 5.6 L10.1 3.1 Z",
                   GREY, GREY_D, 1.1) + circle(12, 12, 3.2, "#fff", GREY_D, 1.1),
    "Help": circle(12, 12, 9.5, BLUE, BLUE_D) + path("M9.2 9.3 a2.9 2.9 0 1 1 4.2 2.6 C12.5 12.4 12 13 12 14.2", stroke="#fff", w=2)
    + circle(12, 17.2, 1.2, "#fff", "#fff", 0.5),
    "About": circle(12, 12, 9.5, PURPLE, PURPLE_D) + path("M12 11 V17", stroke="#fff", w=2.2) + circle(12, 7.6, 1.3, "#fff", "#fff", 0.5),
    "Home": path("M3.5 11.5 L12 4 L20.5 11.5", stroke=RED_D, w=2) + path("M6 10 V19.5 H18 V10", "#fff3e6", ORANGE_D, 1.3)
    + rect(10, 13.5, 4, 6, ORANGE, ORANGE_D, 0.8, 1),
    # Small toolbar: pane toggles and the play bar.
    "tvNa1": panel_layout(True, True, True),
    "tvNa2": panel_layout(False, True, True),
    "lvD1": panel_layout(True, True, True),
    "lvD2": panel_layout(True, False, True),
    "Exchange1": panel_layout(True, True, True),
    "Exchange2": panel_layout(True, True, False),
    "Play": path("M7 4.5 L19 12 L7 19.5 Z", GREEN, GREEN_D, 1.3),
    "Stop": rect(5.5, 5.5, 13, 13, RED, RED_D, 2),
    "Last": path("M18 5 L9 12 L18 19 Z", BLUE, BLUE_D, 1.2) + rect(5, 5, 3, 14, BLUE, BLUE_D, 1, 1.2),
    "Next": path("M6 5 L15 12 L6 19 Z", BLUE, BLUE_D, 1.2) + rect(16, 5, 3, 14, BLUE, BLUE_D, 1, 1.2),
    "FullS": rect(3.5, 5, 17, 14, "#eef2f6", GREY_D, 2)
    + path("M6.5 10 V8 H9 M14.5 8 H17.5 V10 M17.5 14 V16 H14.5 M9 16 H6.5 V14", stroke=BLUE_D, w=1.8),
}


def main():
    os.makedirs(OUT, exist_ok=True)
    for key, body in ICONS.items():
        with open(os.path.join(OUT, key + ".svg"), "w") as f:
            f.write(svg(body))
    print(f"{len(ICONS)} pictures written to {os.path.normpath(OUT)}")


if __name__ == "__main__":
    main()
