#!/usr/bin/env python3
"""Writes TRVBAR.TTF, the suite's own bar-code TrueType font "TRV Code 39".

Each character of Code 39 (digits, capital letters, space, - . $ / + % and the start
and stop character *) is drawn as its nine bars and spaces, three of them wide,
followed by a narrow gap: a label shows the bar code that the printer prints. Other
characters have no glyph. Usage: make_barcode_font.py OUTPUT.ttf
"""
import sys

from fontTools.fontBuilder import FontBuilder
from fontTools.pens.ttGlyphPen import TTGlyphPen
from fontTools.ttLib.tables.O_S_2f_2 import Panose

# Bars and spaces of each character, alternating bar/space, 1 wide and 0 narrow.
CODE39 = {
    "0": "000110100", "1": "100100001", "2": "001100001", "3": "101100000",
    "4": "000110001", "5": "100110000", "6": "001110000", "7": "000100101",
    "8": "100100100", "9": "001100100", "A": "100001001", "B": "001001001",
    "C": "101001000", "D": "000011001", "E": "100011000", "F": "001011000",
    "G": "000001101", "H": "100001100", "I": "001001100", "J": "000011100",
    "K": "100000011", "L": "001000011", "M": "101000010", "N": "000010011",
    "O": "100010010", "P": "001010010", "Q": "000000111", "R": "100000110",
    "S": "001000110", "T": "000010110", "U": "110000001", "V": "011000001",
    "W": "111000000", "X": "010010001", "Y": "110010000", "Z": "011010000",
    "-": "010000101", ".": "110000100", " ": "011000100", "$": "010101000",
    "/": "010100010", "+": "010001010", "%": "000101010", "*": "010010100",
}
NARROW, WIDE, HEIGHT, EM = 40, 100, 800, 1000
ADVANCE = 6 * NARROW + 3 * WIDE + NARROW  # six narrow, three wide, one gap


def glyph_name(ch):
    return "uni%04X" % ord(ch)


def draw(pattern):
    pen = TTGlyphPen(None)
    x = 0
    for i, bit in enumerate(pattern):
        width = WIDE if bit == "1" else NARROW
        if i % 2 == 0:  # a bar
            pen.moveTo((x, 0))
            pen.lineTo((x, HEIGHT))
            pen.lineTo((x + width, HEIGHT))
            pen.lineTo((x + width, 0))
            pen.closePath()
        x += width
    return pen.glyph()


def main(output):
    order = [".notdef"] + [glyph_name(c) for c in sorted(CODE39)]
    fb = FontBuilder(EM, isTTF=True)
    fb.setupGlyphOrder(order)
    fb.setupCharacterMap({ord(c): glyph_name(c) for c in CODE39})
    glyphs = {".notdef": TTGlyphPen(None).glyph()}
    glyphs.update({glyph_name(c): draw(p) for c, p in CODE39.items()})
    fb.setupGlyf(glyphs)
    metrics = {name: (ADVANCE, 0) for name in order}
    metrics[".notdef"] = (ADVANCE, 0)
    fb.setupHorizontalMetrics(metrics)
    fb.setupHorizontalHeader(ascent=HEIGHT, descent=-200)
    fb.setupNameTable({"familyName": "TRV Code 39", "styleName": "Regular",
                       "uniqueFontIdentifier": "TRV Code 39 Regular",
                       "fullName": "TRV Code 39", "psName": "TRVCode39-Regular",
                       "version": "Version 3.0"})
    panose = Panose()
    for field in ("bFamilyType", "bSerifStyle", "bWeight", "bProportion", "bContrast",
                  "bStrokeVariation", "bArmStyle", "bLetterForm", "bMidline", "bXHeight"):
        setattr(panose, field, 0)
    panose.bFamilyType, panose.bProportion = 5, 9  # pictorial, monospaced
    fb.setupOS2(sTypoAscender=HEIGHT, sTypoDescender=-200, usWinAscent=HEIGHT,
                usWinDescent=200, achVendID="TRV ", fsType=0, xAvgCharWidth=ADVANCE,
                panose=panose)
    fb.setupPost(isFixedPitch=1)
    fb.save(output)


if __name__ == "__main__":
    main(sys.argv[1])
