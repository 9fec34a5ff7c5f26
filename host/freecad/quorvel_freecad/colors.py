"""Layer colours: a colour index (1 to 255, as CAD layers carry them) as red, green and blue from
0 to 1, the way FreeCAD's view properties take them."""

import colorsys

# 1 to 9 by name; 7 ("white") is drawn black, as CAD programs draw it on a light background such
# as FreeCAD's.
_NAMED = {1: (255, 0, 0), 2: (255, 255, 0), 3: (0, 255, 0), 4: (0, 255, 255), 5: (0, 0, 255),
          6: (255, 0, 255), 7: (0, 0, 0), 8: (65, 65, 65), 9: (128, 128, 128)}
# 250 to 255: greys from dark to white.
_GREYS = {250: 51, 251: 80, 252: 105, 253: 130, 254: 190, 255: 255}
# 10 to 249: 24 hues 15 degrees apart, each in five shades (even last digit: full colour, odd:
# half saturated).
_SHADES = (255, 165, 127, 76, 38)


def color_rgb(index):
    """The colour of a colour index as (r, g, b) floats; an index out of range is drawn black."""
    if index in _NAMED:
        rgb = _NAMED[index]
    elif index in _GREYS:
        rgb = (_GREYS[index],) * 3
    elif 10 <= index <= 249:
        hue = (index // 10 - 1) * 15 / 360
        shade = _SHADES[(index % 10) // 2]
        saturation = 1.0 if index % 2 == 0 else 0.5
        rgb = tuple(int(c * shade) for c in colorsys.hsv_to_rgb(hue, saturation, 1.0))
    else:
        rgb = (0, 0, 0)
    return tuple(c / 255 for c in rgb)
