#!/usr/bin/env python3
"""Makes the seed folders of the fuzz harnesses.

MakeSeeds.py TESTDATA OUT

OUT/<harness>/ receives the test photos (cut to their first 128 KiB, where
the metadata lies), the APP13 segments and TIFF blocks found in them, and a
few small hand-made files that reach the maker notes, the thumbnail
directory and the IPTC list.
"""
import os
import struct
import sys

HEAD = 128 * 1024
JPEG_HARNESSES = ["fuzz_exif_jpeg", "fuzz_segment_walk", "fuzz_photo_record", "fuzz_batch_rows", "fuzz_xml_dump",
                  "fuzz_icc_profile"]


def segments(data):
    """(marker, bytes from the length field on) of the marker segments up to SOS."""
    if not data.startswith(b"\xFF\xD8"):
        return
    pos = 2
    while pos + 4 <= len(data):
        if data[pos] != 0xFF:
            return
        marker = data[pos + 1]
        if marker == 0xFF:
            pos += 1
            continue
        length = struct.unpack(">H", data[pos + 2:pos + 4])[0]
        yield marker, data[pos + 2:pos + 2 + length]
        if marker == 0xDA or length < 2:
            return
        pos += 2 + length


def ifd(order, entries, next_offset, start):
    """A TIFF directory at offset `start`; entries are (tag, type, count, value bytes).
    Values longer than four bytes go after the directory. Returns the bytes."""
    fmt = "<" if order == b"II" else ">"
    head = struct.pack(fmt + "H", len(entries))
    data_at = start + 2 + 12 * len(entries) + 4
    tail = b""
    for tag, kind, count, value in entries:
        if len(value) <= 4:
            field = value.ljust(4, b"\0")
        else:
            field = struct.pack(fmt + "I", data_at + len(tail))
            tail += value + (b"\0" if len(value) % 2 else b"")
        head += struct.pack(fmt + "HHI", tag, kind, count) + field
    return head + struct.pack(fmt + "I", next_offset) + tail


def tiff_block(order, make, model, note, version=b"0220"):
    """TIFF header, IFD0 (make, model, EXIF pointer, IFD1 link), EXIF IFD with
    the maker note, and IFD1 with a tiny JPEG thumbnail."""
    fmt = "<" if order == b"II" else ">"
    header = order + struct.pack(fmt + "HI", 42, 8)
    # Sizes first with placeholder offsets, then for real.
    def build(exif_at, ifd1_at):
        ifd0 = ifd(order, [(0x010F, 2, len(make) + 1, make + b"\0"),
                           (0x0110, 2, len(model) + 1, model + b"\0"),
                           (0x8769, 4, 1, struct.pack(fmt + "I", exif_at))], ifd1_at, 8)
        return ifd0
    ifd0 = build(0, 0)
    exif_at = 8 + len(ifd0)
    exif = ifd(order, [(0x9000, 7, 4, version),
                       (0x829A, 5, 1, struct.pack(fmt + "II", 1, 125)),
                       (0x829D, 5, 1, struct.pack(fmt + "II", 28, 10)),
                       (0x8827, 3, 1, struct.pack(fmt + "H", 200)),
                       (0x9204, 10, 1, struct.pack(fmt + "ii", -1, 3)),
                       (0x920A, 5, 1, struct.pack(fmt + "II", 50, 1)),
                       (0xA002, 4, 1, struct.pack(fmt + "I", 64)),
                       (0xA003, 4, 1, struct.pack(fmt + "I", 48)),
                       (0x927C, 7, len(note), note)], 0, exif_at)
    ifd1_at = exif_at + len(exif)
    ifd0 = build(exif_at, ifd1_at)
    thumb = b"\xFF\xD8\xFF\xD9"
    thumb_at = ifd1_at + 2 + 12 * 3 + 4
    ifd1 = ifd(order, [(0x0103, 3, 1, struct.pack(fmt + "H", 6)),
                       (0x0201, 4, 1, struct.pack(fmt + "I", thumb_at)),
                       (0x0202, 4, 1, struct.pack(fmt + "I", len(thumb)))], 0, ifd1_at)
    return header + ifd0 + exif + ifd1 + thumb


def canon_note(order):
    fmt = "<" if order == b"II" else ">"
    settings = struct.pack(fmt + "20H", *range(40, 60))
    shots = struct.pack(fmt + "16H", *range(1, 17))
    return ifd(order, [(0x0001, 3, 20, settings), (0x0004, 3, 16, shots),
                       (0x0006, 2, 6, b"IMG:1\0")], 0, 0)


def nikon_note():
    inner = ifd(b"MM", [(0x0002, 3, 2, struct.pack(">HH", 0, 200)), (0x0004, 2, 6, b"FINE \0")], 0, 8)
    return b"Nikon\0\x02\x10\0\0" + b"MM\0\x2A\0\0\0\x08" + inner


def olympus_note(order):
    return b"OLYMP\0\x01\0" + ifd(order, [(0x0200, 4, 3, b"\0" * 12), (0x0201, 3, 1, b"\x02\0")], 0, 0)


def app13(datasets):
    iptc = b"".join(b"\x1C" + bytes([rec, ds]) + struct.pack(">H", len(v)) + v for rec, ds, v in datasets)
    resource = b"8BIM\x04\x04\0\0" + struct.pack(">I", len(iptc)) + iptc + (b"\0" if len(iptc) % 2 else b"")
    payload = b"Photoshop 3.0\0" + resource
    return struct.pack(">H", len(payload) + 2) + payload


XMP_ID = b"http://ns.adobe.com/xap/1.0/\0"
XMP_PACKET = ("<?xpacket begin='\ufeff' id='W5M0MpCehiHzreSzNTczkc9d'?>"
              "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>"
              "<rdf:Description rdf:about='' xmlns:dc='http://purl.org/dc/elements/1.1/'"
              " xmlns:photoshop='http://ns.adobe.com/photoshop/1.0/' photoshop:Category='Trv'>"
              "<dc:title><rdf:Alt><rdf:li xml:lang='x-default'>東京 &amp; Praha</rdf:li>"
              "<rdf:li xml:lang='cs'>Praha</rdf:li></rdf:Alt></dc:title>"
              "<dc:description><rdf:Alt><rdf:li xml:lang='x-default'>Popis</rdf:li></rdf:Alt></dc:description>"
              "</rdf:Description></rdf:RDF></x:xmpmeta><?xpacket end='w'?>").encode("utf-8")


def xmp_segment(packet=XMP_PACKET):
    return b"\xFF\xE1" + struct.pack(">H", len(XMP_ID) + len(packet) + 2) + XMP_ID + packet


def jpeg(app1=None, iptc=None, comment=None, sampling=0x22, xmp_first=False):
    out = b"\xFF\xD8"
    if xmp_first:
        out += xmp_segment()
    if app1 is not None:
        out += b"\xFF\xE1" + struct.pack(">H", len(app1) + 8) + b"Exif\0\0" + app1
    if iptc is not None:
        out += b"\xFF\xED" + iptc
    if comment is not None:
        out += b"\xFF\xFE" + struct.pack(">H", len(comment) + 2) + comment
    sof = bytes([8, 0, 48, 0, 64, 3, 1, sampling, 0, 2, 0x11, 1, 3, 0x11, 1])
    out += b"\xFF\xC0" + struct.pack(">H", len(sof) + 2) + sof
    sos = bytes([3, 1, 0, 2, 0x11, 3, 0x11, 0, 63, 0])
    out += b"\xFF\xDA" + struct.pack(">H", len(sos) + 2) + sos + b"\x00" * 16 + b"\xFF\xD9"
    return out


def made_files():
    iptc = app13([(2, 0, b"\0\x02"), (2, 15, b"Travel"), (2, 5, b"Title"), (2, 120, b"Caption \xE8"),
                  (2, 25, b"one"), (2, 25, b"two")])
    blocks = {
        "canon_ii": tiff_block(b"II", b"Canon", b"Canon EOS 10D", canon_note(b"II")),
        "nikon_mm": tiff_block(b"MM", b"NIKON CORPORATION", b"NIKON D70", nikon_note()),
        "olympus_ii": tiff_block(b"II", b"OLYMPUS OPTICAL CO.,LTD", b"C5050Z", olympus_note(b"II")),
        "fuji_ii": tiff_block(b"II", b"FUJIFILM", b"FinePix", b"FUJIFILM\x0C\0\0\0" + ifd(b"II", [(0x1000, 2, 8, b"NORMAL \0")], 0, 12)),
    }
    jpegs = {"made_" + name: jpeg(block, iptc, b"made by the seed script") for name, block in blocks.items()}
    jpegs["made_minimal"] = b"\xFF\xD8\xFF\xD9"
    jpegs["made_sampling12"] = jpeg(None, None, b"x", sampling=0x12)
    jpegs["made_sampling21"] = jpeg(blocks["canon_ii"], None, None, sampling=0x21)
    # A UTF-8 record (with a broken sequence) behind an XMP packet that stands
    # before the EXIF block.
    utf8 = app13([(1, 90, b"\x1B%G"), (2, 0, b"\0\x02"), (2, 5, "日本語".encode("utf-8")),
                  (2, 120, b"bad \xFF\xE6\x97 end"), (2, 25, "Žluť".encode("utf-8"))])
    jpegs["made_utf8_xmp_first"] = jpeg(blocks["canon_ii"], utf8, None, xmp_first=True)
    # An ICC profile header (no tags) in two APP2 chunks, second one first.
    header = bytearray(132)
    header[0:4] = (132).to_bytes(4, "big")
    header[8:24] = b"\x04\x30\0\0mntrRGB XYZ "
    header[36:40] = b"acsp"
    chunks = [b"ICC_PROFILE\0\x02\x02" + bytes(header[66:]), b"ICC_PROFILE\0\x01\x02" + bytes(header[:66])]
    icc = b"".join(b"\xFF\xE2" + (len(c) + 2).to_bytes(2, "big") + c for c in chunks)
    plain = jpeg(None, None, None)
    jpegs["made_icc_chunks"] = plain[:2] + icc + plain[2:]
    tiffs = {"made_" + name: block for name, block in blocks.items()}
    return jpegs, tiffs, {"made_iptc": iptc, "made_iptc_utf8": utf8}


def main():
    testdata, out = sys.argv[1], sys.argv[2]
    folders = {name: os.path.join(out, name)
               for name in JPEG_HARNESSES + ["fuzz_exif_tiff", "fuzz_iptc_segment", "fuzz_xmp_packet"]}
    for folder in folders.values():
        os.makedirs(folder, exist_ok=True)

    def put(harness, name, data):
        with open(os.path.join(folders[harness], name), "wb") as f:
            f.write(data[:HEAD])

    jpegs, tiffs, app13s = made_files()
    for root, _, files in sorted(os.walk(testdata)):
        for file in sorted(files):
            if file == "README.md":
                continue
            with open(os.path.join(root, file), "rb") as f:
                data = f.read(HEAD)
            name = os.path.basename(root) + "_" + file
            for harness in JPEG_HARNESSES:
                put(harness, name, data)
            if data[:2] in (b"II", b"MM"):
                tiffs[name] = data
            for marker, body in segments(data):
                if marker == 0xED:
                    app13s[name + f"_app13_{len(app13s)}"] = body
                elif marker == 0xE1 and body[2:8] == b"Exif\0\0":
                    tiffs[name + "_exif"] = body[8:]
                elif marker == 0xE1 and body[2:2 + len(XMP_ID)] == XMP_ID:
                    put("fuzz_xmp_packet", name + "_xmp", body[2 + len(XMP_ID):])
    for name, data in jpegs.items():
        for harness in JPEG_HARNESSES:
            put(harness, name, data)
    put("fuzz_xmp_packet", "made_xmp", XMP_PACKET)
    for name, data in tiffs.items():
        put("fuzz_exif_tiff", name, data)
        put("fuzz_xml_dump", "tiff_" + name, data)
    for name, data in app13s.items():
        put("fuzz_iptc_segment", name, data)


if __name__ == "__main__":
    main()
