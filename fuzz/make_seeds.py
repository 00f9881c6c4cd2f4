#!/usr/bin/env python3
"""Writes the hand-made seeds of fuzz/corpus: BMP files of every kind the
loader reads (and a few it refuses), and byte streams that the rasteriser's
and the interface's fuzz targets decode into meaningful runs.  The encoders
below mirror FuzzInput (fuzz/fuzz_input.h) and the targets' decoding.

    fuzz/make_seeds.py [corpus folder, default fuzz/corpus]
"""
import os
import struct
import sys


# ------------------------------------------------------------------ BMP

def bmp(width, height, bits, header=40, colours=None, compression=0, masks=None,
        pixels=None):
    """A BMP file; height < 0 for top-down rows."""
    rows = abs(height)
    row_bytes = (width * bits + 31) // 32 * 4
    if pixels is None:
        pixels = bytes((i * 7 + r * 3) & 0xFF for r in range(rows) for i in range(row_bytes))
    if header == 12:
        info = struct.pack('<IHHHH', 12, width, rows, 1, bits)
        entry = 3
    else:
        info = struct.pack('<IiiHHIIiiII', header, width, height, 1, bits, compression,
                           len(pixels), 2835, 2835, 0 if colours is None else colours, 0)
        info = (info + bytes(max(0, header - 40)))[:header]  # OS/2 2.x may stop at 16
        entry = 4
    extra = b''
    if masks is not None:
        if header == 40:
            extra = struct.pack('<III', *masks)
        else:  # red, green, blue, and alpha from 56 bytes on
            info = info[:40] + struct.pack('<%dI' % len(masks), *masks) + info[40 + 4 * len(masks):]
    table = b''
    if bits <= 8:
        count = colours or (1 << bits)
        table = b''.join(bytes([i & 0xFF, (i * 3) & 0xFF, (255 - i) & 0xFF, 0][:entry])
                         for i in range(count))
    off = 14 + len(info) + len(extra) + len(table)
    size = off + len(pixels)
    return b'BM' + struct.pack('<IHHI', size, 0, 0, off) + info + extra + table + pixels


STANDARD_MASKS = (0x00FF0000, 0x0000FF00, 0x000000FF)

BMP_SEEDS = {
    '8bit_bottom_up.bmp': bmp(5, 3, 8),
    '8bit_top_down_3_colours.bmp': bmp(6, -4, 8, colours=3),
    '1bit.bmp': bmp(17, 2, 1),
    '4bit.bmp': bmp(9, 3, 4),
    '24bit.bmp': bmp(3, 3, 24),
    '32bit.bmp': bmp(2, 2, 32),
    '32bit_bitfields.bmp': bmp(2, 2, 32, compression=3, masks=STANDARD_MASKS),
    '32bit_v4_bitfields.bmp': bmp(3, -2, 32, header=108, compression=3, masks=STANDARD_MASKS),
    '8bit_v2.bmp': bmp(4, 2, 8, header=52, colours=16),
    '8bit_v3.bmp': bmp(4, 2, 8, header=56, colours=16),
    '8bit_v5.bmp': bmp(4, 2, 8, header=124, colours=16),
    'core_8bit.bmp': bmp(3, 2, 8, header=12),
    'core_24bit.bmp': bmp(3, 2, 24, header=12),
    'os2_16_8bit.bmp': bmp(3, 2, 8, header=16),
    'os2_64_4bit.bmp': bmp(5, -2, 4, header=64, colours=5),
    '16bit.bmp': bmp(2, 2, 16),
    '16bit_565.bmp': bmp(3, 2, 16, compression=3, masks=(0xF800, 0x7E0, 0x1F)),
    '16bit_v5_4444.bmp': bmp(2, -2, 16, header=124, compression=3,
                             masks=(0xF00, 0xF0, 0xF, 0xF000)),
    '32bit_other_masks.bmp': bmp(2, 2, 32, compression=3, masks=(0xFFC00, 0x3FF, 0x3FF00000)),
    # Encoded and absolute runs (odd, padded), end of line, delta, end of bitmap.
    'rle8.bmp': bmp(6, 3, 8, colours=4, compression=1, pixels=bytes(
        [3, 1, 0, 3, 2, 3, 1, 0, 0, 0, 2, 2, 0, 2, 1, 1, 1, 3, 0, 1])),
    'rle4.bmp': bmp(7, 3, 4, colours=6, compression=2, pixels=bytes(
        [5, 0x12, 0, 0, 0, 5, 0x34, 0x51, 0x20, 0, 0, 0, 0, 2, 1, 0, 3, 0x45, 0, 1])),
}


# ------------------------------------------------------- FuzzInput bytes

class Stream:
    """Bytes that FuzzInput reads back as the values written."""

    def __init__(self):
        self.data = bytearray()

    def u8(self, v):
        self.data.append(v & 0xFF)
        return self

    def u16(self, v):
        self.data += struct.pack('<H', v & 0xFFFF)
        return self

    def u32(self, v):
        self.data += struct.pack('<I', v & 0xFFFFFFFF)
        return self

    def i32(self, v):
        return self.u32(v)

    def below(self, n, v):
        assert 0 <= v < n
        return self.u8(v) if n <= 256 else self.u32(v)

    def smallish(self, span, v):
        assert -span <= v <= span
        self.u8(0)
        return self.below(2 * span + 1, v + span)

    def f64(self, v):
        """A whole number within 6000 of 0, or any double given as a float."""
        if isinstance(v, int):
            self.u8(0)
            return self.smallish(6000, v)
        self.u8(255)
        self.data += struct.pack('<d', v)
        return self


# -------------------------------------------------------------- gresk

def gresk_seed(width, height, polygons, top_down=False):
    """polygons: (points, clip rectangle or None, colour)."""
    s = Stream()
    s.u8(0).u8(0).u8(0).u16(width - 1).u16(height - 1).u8(1 if top_down else 0)
    reach_x = min(max(width, 1), 1024) + 64 + 64
    reach_y = min(max(height, 1), 1024) + 64 + 64
    for points, rect, colour in polygons:
        s.u8(len(points))
        for x, y in points:
            if -64 <= x < reach_x - 64 and -64 <= y < reach_y - 64:
                s.u8(0).below(reach_x, x + 64).below(reach_y, y + 64)
            else:
                s.u8(255).u16(x).u16(y)
        if rect is None:
            s.u8(0)
        else:
            s.u8(1)
            for side in rect:
                s.smallish(600, side)
        s.u8(colour).u8(0).u8(0)
    return bytes(s.data)


GRESK_SEEDS = {
    'triangle': gresk_seed(32, 24, [([(2, 3), (28, 10), (9, 20)], None, 40)]),
    'square_top_down': gresk_seed(16, 16, [([(1, 1), (14, 1), (14, 14), (1, 14)], None, 7)],
                                  top_down=True),
    'point_and_line': gresk_seed(20, 10, [([(5, 5)], None, 1), ([(0, 9), (19, 0)], None, 2)]),
    'clipped_across_sides': gresk_seed(
        40, 30, [([(-30, -20), (70, 5), (20, 60)], (0, 0, 39, 29), 9)]),
    'clip_reversed_rectangle': gresk_seed(
        40, 30, [([(-10, 15), (20, -10), (50, 15), (20, 40)], (39, 29, 0, 0), 12)]),
    'one_past_each_side': gresk_seed(
        40, 30, [([(-1, 10), (20, -1), (40, 15), (20, 30)], (0, 0, 39, 29), 21)]),
    'far_points': gresk_seed(64, 48, [([(-32768, -32768), (32767, -100), (0, 32767)],
                                       (0, 0, 63, 47), 99)]),
    'thin_sliver': gresk_seed(50, 50, [([(0, 0), (49, 1), (49, 2)], None, 5)]),
    'many_corners': gresk_seed(
        64, 64, [([(32 + round(30 * c), 32 + round(30 * s)) for c, s in
                   [(__import__('math').cos(a * 3.14159265 / 12),
                     __import__('math').sin(a * 3.14159265 / 12)) for a in range(24)]],
                  (4, 4, 59, 59), 77)]),
}


# ---------------------------------------------------------------- api

# Operations of fuzz_api's Step, by number.
INIT_SCENE, DESTROY_SCENE, INIT_CAMERA, DESTROY_CAMERA, MEMBER, RECT = range(6)
SETTINGS, RATE, RENDER, SET_VIEW, TRANSFORMS, UPDATE = 6, 7, 8, 11, 12, 13
SPIN_MEMBER, CHANGE_CAMERA, COORDINATE_TABLE, SPIN_TABLE, WALK = 14, 15, 16, 17, 18
ADD_POLYGONS, CLEAR_SCENE, PROJECT = 19, 20, 21
OPS = 22
HOST_CAMERA = 3
MEMBERS = ['ViewDistance', 'Xtarget', 'Ytarget', 'Ztarget', 'Xcamera', 'Ycamera', 'Zcamera',
           'Xn', 'Yn', 'Zn', 'BankAngle', 'Magnification']


class Api(Stream):
    def op(self, n):
        return self.below(OPS, n)

    def init_scene(self, slot=0):
        return self.op(INIT_SCENE).below(3, slot)

    def destroy_scene(self, slot=0):
        return self.op(DESTROY_SCENE).below(3, slot)

    def init_camera(self, slot, mode):
        return self.op(INIT_CAMERA).below(3, slot).smallish(3, mode)

    def member(self, camera, name, value):
        return self.op(MEMBER).below(4, camera).u8(MEMBERS.index(name)).f64(value)

    def rect(self, camera, w, h):
        return self.op(RECT).below(4, camera).below(3, 0).below(512, w - 1).below(512, h - 1)

    def raw_rect(self, camera, left, top, right, bottom):
        self.op(RECT).below(4, camera).below(3, 1)
        for side in (left, top, right, bottom):
            self.smallish(600, side)
        return self

    def settings(self, scene, plan_shift, set_bits):
        return self.op(SETTINGS).below(3, scene).u8(plan_shift).u8(1 if set_bits else 0)

    def rate(self, scene, want, took):
        return self.op(RATE).below(3, scene).smallish(100, want).smallish(100, took)

    def render(self, scene, camera, top_down=False):
        return self.op(RENDER).below(3, scene).below(4, camera).u8(0).u8(
            1 if top_down else 0).u8(0)

    def transforms(self, scene, x, y, z):
        self.op(TRANSFORMS).below(3, scene)
        for c in (x, y, z):
            self.smallish(30000, c)
        return self.f64(100).f64(-50).f64(2000)

    def update(self, camera, steps):
        self.op(UPDATE).below(4, camera).below(8, steps - 1)
        for _ in range(steps):
            self.u8(0)
        return self

    def add_polygons(self, quads, x, y, spread):
        """Quads around (x, y), drawn (visibility: plan bit 0x80000 and the draw bit)."""
        self.op(ADD_POLYGONS).i32(44).u8(0).u8(7).u8(0).below(16, quads - 1)
        self.below(6001, x + 3000).below(6001, y + 3000).below(2000, spread - 1)
        for q in range(quads):
            self.below(10, 4)
            for dx, dy in ((0, 0), (1, 0), (1, 1), (0, 1)):
                self.u8(0).below(2 * spread + 1, spread + (2 * dx - 1) * (q + 1)).below(
                    2 * spread + 1, spread + (2 * dy - 1) * (q + 1)).below(600, 10 * q)
        return self

    def spin_member(self, camera, which, value):
        self.op(SPIN_MEMBER).below(4, camera).below(10, which)
        return self.smallish(20000, value) if which < 7 else self.f64(value)


def host_view(a, camera=HOST_CAMERA):
    return (a.member(camera, 'Xcamera', 400).member(camera, 'Ycamera', -2600)
            .member(camera, 'Zcamera', 900).member(camera, 'Magnification', 0.06))


def api_seeds():
    seeds = {}
    a = Api().init_scene().render(0, HOST_CAMERA)
    seeds['one_frame'] = a
    a = host_view(Api().init_scene().rect(HOST_CAMERA, 200, 120)).rate(0, 10, 20).rate(0, 10, 20)
    for step in range(4):  # pans up to the limit, then a move
        a.render(0, HOST_CAMERA).member(HOST_CAMERA, 'Xtarget', 20 * (step + 1))
    a.member(HOST_CAMERA, 'Zcamera', 30).render(0, HOST_CAMERA, top_down=True)
    seeds['pans_and_a_low_camera'] = a
    a = Api().init_scene().init_camera(0, 2).update(0, 3).render(0, 0)
    a.spin_member(0, 5, 150).update(0, 5).render(0, 0).spin_member(0, 7, 0.02).update(0, 1)
    seeds['spin'] = a.render(0, 0)
    a = Api().init_scene(0).init_scene(1)
    for _ in range(3):
        a.rate(0, 10, 20).render(0, HOST_CAMERA)
    a.settings(1, 2, True).settings(1, 3, False).render(1, HOST_CAMERA).rate(1, 20, 10)
    seeds['settings_and_rates'] = a.destroy_scene(0).render(1, HOST_CAMERA)
    a = Api().init_scene().member(HOST_CAMERA, 'Magnification', float('nan')).render(
        0, HOST_CAMERA).member(HOST_CAMERA, 'Magnification', 0.05)
    a.raw_rect(HOST_CAMERA, 100, 80, 20, -40).render(0, HOST_CAMERA)
    seeds['refused_views'] = a.transforms(0, 100, -200, 50)
    a = host_view(Api().init_scene())
    # Into the goal frame at the near end, looking along the field.
    a.member(HOST_CAMERA, 'Xcamera', 0).member(HOST_CAMERA, 'Ycamera', -2240).member(
        HOST_CAMERA, 'Zcamera', 60).member(HOST_CAMERA, 'Ytarget', 0).render(0, HOST_CAMERA)
    a.member(HOST_CAMERA, 'Zcamera', 1).member(HOST_CAMERA, 'Ztarget', 1).render(0, HOST_CAMERA)
    seeds['inside_goal_frame'] = a
    a = Api().init_scene().init_camera(1, 1)
    a.op(COORDINATE_TABLE).below(4, 1).u8(1).op(SPIN_TABLE).below(4, 1).u8(1)
    a.op(CHANGE_CAMERA).below(4, 1).smallish(3, 2).op(SPIN_TABLE).below(4, 1).u8(1)
    a.op(WALK).below(3, 0).below(4, 1)
    seeds['dialog_tables'] = a.op(DESTROY_CAMERA).below(3, 1)
    a = host_view(Api().init_scene(0)).add_polygons(6, 100, -2000, 900).init_scene(1)
    a.member(HOST_CAMERA, 'Ycamera', -1990).member(HOST_CAMERA, 'Zcamera', 20)
    a.render(0, HOST_CAMERA).render(1, HOST_CAMERA).op(CLEAR_SCENE).below(3, 1)
    seeds['host_polygons'] = a.op(PROJECT).below(3, 1).i32(4).render(1, HOST_CAMERA)
    return {name: bytes(s.data) for name, s in seeds.items()}


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), 'corpus')
    for folder, seeds in (('tolvan', BMP_SEEDS), ('gresk', GRESK_SEEDS), ('api', api_seeds())):
        os.makedirs(os.path.join(root, folder), exist_ok=True)
        for name, data in seeds.items():
            with open(os.path.join(root, folder, 'seed_' + name), 'wb') as f:
                f.write(data)


if __name__ == '__main__':
    main()
