#!/usr/bin/env python3
"""Shrinks the unwind tables (.eh_frame) of a linked 32-bit PE executable
and strips it.

    compact_eh_frame.py [--objdump OBJDUMP] --nm NM --strip STRIP EXE

EXE comes from the linker with its symbols; NM, STRIP and OBJDUMP are the
cross toolchain's. The symbols give the address where the start-up code
begins registering the table (__EH_FRAME_BEGIN__); STRIP then removes them.

GCC's assembler gives every inline function and template instantiation its
own .eh_frame piece, each opening with a copy of the same CIE (the common
header of the unwind entries), and the PE linker, unlike the ELF one, keeps
all those copies: some 400 in the program, about 10 KB. This rewrites the
section with each distinct CIE once, every FDE (one function's unwind
entry) pointing to its CIE's single copy, and the pointers that are relative
to their own position re-encoded for their new place. The entries before
__EH_FRAME_BEGIN__ (never registered) stay byte for byte where they are.
The section keeps its address and size in memory; only its stored part
shrinks, and the sections after it move up in the file (their addresses do
not change, so no code or pointer does).

With --objdump (to disassemble the code), it also drops the entries of
functions that call nothing. The unwinder reads an entry only for a frame on
the call stack at a throw, that is, for a function stopped at one of its
calls (or in a call of its own to the throw): a function without a call
instruction is never such a frame. An entry with an exception table (LSDA)
is kept whatever its code. Of the entries kept, the instructions that take
effect only after the function's last call return (its epilogue, mostly)
go: the unwinder never reads that far.

Before writing, the new section is decoded again and compared, entry by
entry, with the old one: every function's address range, its exception
table pointer, its CIE's contents and its unwind instructions must be the
same, but for the instructions dropped. An executable this cannot read exactly (an unknown pointer encoding,
a CIE version it does not know, a section layout it does not expect) is left
as it is (stripped), with a warning; a failed comparison is an error.
"""
import bisect
import os
import shutil
import struct
import subprocess
import sys

DW_EH_PE_omit = 0xFF


class Unsupported(Exception):
    pass


def leb128(data, pos, signed=False):
    """A LEB128 number at pos: (value, position after it)."""
    result = shift = 0
    while True:
        byte = data[pos]
        pos += 1
        result |= (byte & 0x7F) << shift
        shift += 7
        if not byte & 0x80:
            if signed and byte & 0x40:
                result -= 1 << shift
            return result, pos


def read_pointer(data, pos, encoding, address_of):
    """Reads a pointer encoded as `encoding` at pos; returns (value, size, pc-relative)."""
    if encoding == DW_EH_PE_omit:
        return None, 0, False
    # An indirect pointer (0x80) names the place that holds the address; the
    # place is what is encoded, so it moves like any other pointer.
    form, application = encoding & 0x0F, encoding & 0x70
    if form in (0x00, 0x03):
        value, size = struct.unpack_from("<I", data, pos)[0], 4
    elif form == 0x0B:
        value, size = struct.unpack_from("<i", data, pos)[0], 4
    else:
        raise Unsupported("pointer encoding 0x%02x" % encoding)
    if application == 0x10:
        return (value + address_of(pos)) & 0xFFFFFFFF, size, True
    if application == 0x00:
        return value & 0xFFFFFFFF, size, False
    raise Unsupported("pointer encoding 0x%02x" % encoding)


def write_pointer(buffer, pos, value, pcrel, address_of):
    if pcrel:
        value = (value - address_of(pos)) & 0xFFFFFFFF
    struct.pack_into("<I", buffer, pos, value)


class Cie:
    def __init__(self, data, start, length, address_of):
        self.start, self.raw = start, bytes(data[start:start + 4 + length])
        pos = start + 8
        version = data[pos]
        if version not in (1, 3):
            raise Unsupported("CIE version %d" % version)
        end = data.index(b"\0", pos + 1)
        self.augmentation = data[pos + 1:end].decode("ascii")
        pos = end + 1
        self.code_alignment, pos = leb128(data, pos)
        self.data_alignment, pos = leb128(data, pos, True)
        if version == 1:
            self.return_column = data[pos]
            pos += 1
        else:
            self.return_column, pos = leb128(data, pos)
        self.fde_encoding, self.lsda_encoding = 0x00, DW_EH_PE_omit
        self.personality = None                   # (offset within the CIE, pc-relative)
        self.personality_value = None
        if self.augmentation.startswith("z"):
            _, pos = leb128(data, pos)
            for letter in self.augmentation[1:]:
                if letter == "R":
                    self.fde_encoding = data[pos]
                    pos += 1
                elif letter == "L":
                    self.lsda_encoding = data[pos]
                    pos += 1
                elif letter == "P":
                    encoding = data[pos]
                    value, size, pcrel = read_pointer(data, pos + 1, encoding, address_of)
                    self.personality = (pos + 1 - start, pcrel)
                    self.personality_value = value
                    pos += 1 + size
                elif letter == "S":
                    pass
                else:
                    raise Unsupported("CIE augmentation %r" % self.augmentation)
        elif self.augmentation:
            raise Unsupported("CIE augmentation %r" % self.augmentation)
        self.instructions_offset = pos - start

    def with_instructions(self, instructions):
        """A copy of this CIE with other initial instructions."""
        copy = object.__new__(Cie)
        copy.__dict__.update(self.__dict__)
        body = self.raw[:self.instructions_offset] + instructions
        body += bytes(-len(body) % 4)
        copy.raw = struct.pack("<I", len(body) - 4) + body[4:]
        return copy

    def initial_instructions(self):
        return self.raw[self.instructions_offset:]

    def key(self):
        """The CIE's meaning: its bytes with a relative personality pointer made absolute."""
        raw = bytearray(self.raw)
        if self.personality:
            struct.pack_into("<I", raw, self.personality[0], self.personality_value)
        return bytes(raw)


class Fde:
    def __init__(self, data, start, length, cie, address_of):
        self.cie, self.start = cie, start
        end = start + 4 + length
        pos = start + 8
        self.pc_begin, size, self.pc_pcrel = read_pointer(data, pos, cie.fde_encoding, address_of)
        self.pc_offset = pos - start
        pos += size
        self.pc_range, size, _ = read_pointer(data, pos, cie.fde_encoding & 0x0F, address_of)
        pos += size
        self.lsda = None
        self.lsda_offset = None
        if cie.augmentation.startswith("z"):
            aug_length, after = leb128(data, pos)
            if cie.lsda_encoding != DW_EH_PE_omit and aug_length:
                self.lsda, _, self.lsda_pcrel = read_pointer(data, after, cie.lsda_encoding, address_of)
                self.lsda_offset = after - start
            pos = after + aug_length
        self.raw = bytes(data[start:end])
        self.instructions = self.raw[pos - start:]

    def meaning(self):
        return (self.cie.key(), self.pc_begin, self.pc_range, self.lsda, self.instructions)


def parse(data, base_address):
    """Entries of an .eh_frame image: (CIEs, runs of FDEs, end of the last run).

    The start-up code registers the section up to its first zero terminator;
    entries a later object left after it form further runs, kept as they are
    (each ends with a terminator in the rewritten section).
    """
    address_of = lambda pos: base_address + pos
    cies, runs, run, pos = {}, [], [], 0
    while pos + 4 <= len(data):
        length = struct.unpack_from("<I", data, pos)[0]
        if length == 0:
            runs.append(run)
            run, pos = [], pos + 4
            if not any(data[pos:]):
                return cies, runs, pos
            continue
        if length == 0xFFFFFFFF or pos + 4 + length > len(data):
            raise Unsupported("entry at 0x%x of length 0x%x" % (pos, length))
        cie_pointer = struct.unpack_from("<I", data, pos + 4)[0]
        if cie_pointer == 0:
            cies[pos] = Cie(data, pos, length, address_of)
        else:
            cie_start = pos + 4 - cie_pointer
            if cie_start not in cies:
                raise Unsupported("FDE at 0x%x names no CIE before it" % pos)
            run.append(Fde(data, pos, length, cies[cie_start], address_of))
        pos += 4 + length
    if run:   # a last run that ends with the section
        runs.append(run)
    return cies, runs, pos


def rebuild(prefix, prefix_cies, runs, base_address):
    """The section: `prefix` unchanged, then each run with each distinct CIE
    once (placed before its first FDE, or found in the prefix) and a terminator."""
    out = bytearray(prefix)
    address_of = lambda pos: base_address + pos
    for number, fdes in enumerate(runs):
        placed = dict(prefix_cies) if number == 0 else {}
        for fde in fdes:
            key = fde.cie.key()
            if key not in placed:
                placed[key] = len(out)
                cie = fde.cie
                out += cie.raw
                if cie.personality:
                    offset, pcrel = cie.personality
                    write_pointer(out, placed[key] + offset, cie.personality_value, pcrel, address_of)
            start = len(out)
            out += fde.raw
            struct.pack_into("<I", out, start + 4, start + 4 - placed[key])
            write_pointer(out, start + fde.pc_offset, fde.pc_begin, fde.pc_pcrel, address_of)
            if fde.lsda_offset is not None:
                write_pointer(out, start + fde.lsda_offset, fde.lsda, fde.lsda_pcrel, address_of)
        out += b"\0\0\0\0"
    return out


def symbol_address(nm, path, names):
    """The address of the first of `names` that nm lists for `path`, or None."""
    listing = subprocess.run([nm, path], check=True, capture_output=True, text=True).stdout
    found = {}
    for line in listing.splitlines():
        fields = line.split()
        if len(fields) == 3 and fields[2] in names:
            found[fields[2]] = int(fields[0], 16)
    return next((found[name] for name in names if name in found), None)


def call_sites(objdump, path):
    """The executable's call instructions: (their addresses, the addresses
    they return to), each sorted."""
    listing = subprocess.run([objdump, "-d", "--no-show-raw-insn", path], check=True,
                             capture_output=True, text=True).stdout
    sites, returns, after_call = [], [], False
    for line in listing.splitlines():
        fields = line.split(None, 2)
        if len(fields) >= 2 and fields[0].endswith(":"):
            try:
                address = int(fields[0][:-1], 16)
            except ValueError:
                continue
            if after_call:
                returns.append(address)
            after_call = fields[1] in ("call", "calll", "lcall")
            if after_call:
                sites.append(address)
    if not sites:
        raise Unsupported("no call instruction found by %s" % objdump)
    return sorted(sites), sorted(returns)


def last_return(fde, returns):
    """The highest address a call inside the function returns to, or None."""
    index = bisect.bisect_right(returns, fde.pc_begin + fde.pc_range) - 1
    return returns[index] if index >= 0 and returns[index] > fde.pc_begin else None


# Operand layouts of the call frame instructions (DWARF 5, 6.4.2, and GNU's):
# u = unsigned LEB128, s = signed LEB128, b = a block (LEB128 length, bytes).
CFA_OPERANDS = {0x00: "", 0x05: "uu", 0x06: "u", 0x07: "u", 0x08: "u", 0x09: "uu", 0x0A: "", 0x0B: "",
                0x0C: "uu", 0x0D: "u", 0x0E: "u", 0x0F: "b", 0x10: "ub", 0x11: "us", 0x12: "us",
                0x13: "s", 0x14: "uu", 0x15: "us", 0x16: "ub", 0x2E: "u", 0x2F: "uu"}
ADVANCE_WIDTHS = {0x02: 1, 0x03: 2, 0x04: 4}


def decode_cfa(code):
    """The instructions of `code`: (offset in code, opcode, advance in code
    alignment units or None, operands), with the register of the compact
    forms (offset, restore) as their first operand. None when an instruction
    is not understood."""
    decoded, at = [], 0
    while at < len(code):
        op, start = code[at], at
        if op & 0xC0 == 0x40:
            decoded.append((start, 0x40, op & 0x3F, ()))
            at += 1
        elif op in ADVANCE_WIDTHS:
            width = ADVANCE_WIDTHS[op]
            decoded.append((start, op, int.from_bytes(code[at + 1:at + 1 + width], "little"), ()))
            at += 1 + width
        elif op & 0xC0 == 0x80:
            offset, at = leb128(code, at + 1)
            decoded.append((start, 0x80, None, (op & 0x3F, offset)))
        elif op & 0xC0 == 0xC0:
            decoded.append((start, 0xC0, None, (op & 0x3F,)))
            at += 1
        elif op in CFA_OPERANDS:
            at += 1
            operands = []
            for kind in CFA_OPERANDS[op]:
                value, at = leb128(code, at, kind == "s")
                if kind == "b":
                    at += value
                operands.append(value)
            decoded.append((start, op, None, tuple(operands)))
        else:
            return None
    return decoded


def without_unreached_rows(fde, limit):
    """The FDE's instructions up to the first that takes effect at `limit` or
    later. The unwinder runs a frame's instructions only while their location
    lies before the frame's return address, so nothing past the function's
    last call return matters (its epilogue, mostly). None when an
    instruction is not understood."""
    decoded = decode_cfa(fde.instructions)
    if decoded is None:
        return None
    location = fde.pc_begin
    for at, _, advance, _ in decoded:
        if advance is not None:
            location += advance * fde.cie.code_alignment
            if location >= limit:
                return fde.instructions[:at]
    return fde.instructions


def rows_at(cie, instructions, pc_begin, addresses):
    """The unwinder's row (CFA rule and register rules) for each of the
    return `addresses` (ascending), as it computes it: the CIE's initial
    instructions, then the FDE's while their location lies before the
    address. None when an instruction is one this does not follow."""
    def run(decoded, state, initial, location, limits):
        cfa, registers, stack = state
        rows, limits = [], list(limits)
        for _, op, advance, operands in decoded:
            if advance is not None:
                location += advance * cie.code_alignment
                while limits and location >= limits[0]:
                    rows.append((cfa, tuple(sorted(registers.items()))))
                    limits.pop(0)
            elif op == 0x80:
                registers = dict(registers)
                registers[operands[0]] = operands[1] * cie.data_alignment
            elif op == 0xC0:
                registers = dict(registers)
                if operands[0] in initial:
                    registers[operands[0]] = initial[operands[0]]
                else:
                    registers.pop(operands[0], None)
            elif op == 0x0C:
                cfa = operands
            elif op == 0x0D:
                cfa = (operands[0], cfa[1])
            elif op == 0x0E:
                cfa = (cfa[0], operands[0])
            elif op == 0x0A:
                stack = stack + [(cfa, registers)]
            elif op == 0x0B:
                if not stack:
                    return None
                cfa, registers = stack[-1]
                stack = stack[:-1]
            elif op != 0x00:
                return None   # DW_CFA_GNU_args_size and the rarer forms: left as they are
        rows += [(cfa, tuple(sorted(registers.items())))] * len(limits)
        return rows, (cfa, registers, stack)

    initial_code, code = decode_cfa(cie.initial_instructions()), decode_cfa(instructions)
    if initial_code is None or code is None:
        return None
    prepared = run(initial_code, ((None, 0), {}, []), {}, 0, [])
    if prepared is None:
        return None
    state = prepared[1]
    done = run(code, state, state[1], pc_begin, addresses)
    return done[0] if done is not None else None


def encode_row(cfa, registers, data_alignment):
    """Instructions that set `cfa` and the saved `registers` at the start."""
    code = bytearray([0x0C]) + uleb_bytes(cfa[0]) + uleb_bytes(cfa[1])
    for number, offset in registers:
        if offset % data_alignment or offset // data_alignment < 0 or number > 0x3F:
            return None
        code += bytes([0x80 | number]) + uleb_bytes(offset // data_alignment)
    return bytes(code)


def uleb_bytes(value):
    out = bytearray()
    while True:
        byte, value = value & 0x7F, value >> 7
        out.append(byte | (0x80 if value else 0))
        if not value:
            return bytes(out)


def shorten(fde, instructions):
    """Replaces the FDE's instructions, padded with DW_CFA_nop to 4 bytes."""
    head = fde.raw[:len(fde.raw) - len(fde.instructions)]
    body = head + instructions
    body += bytes(-len(body) % 4)
    fde.raw = struct.pack("<I", len(body) - 4) + body[4:]
    fde.instructions = fde.raw[len(head):]


def calls_something(fde, sites):
    first = bisect.bisect_left(sites, fde.pc_begin)
    return first < len(sites) and sites[first] < fde.pc_begin + fde.pc_range


def section_name(image, header, strings):
    name = image[header:header + 8].rstrip(b"\0")
    if name.startswith(b"/") and strings is not None:   # a long name, kept in the string table
        at = strings + int(name[1:])
        name = image[at:image.index(b"\0", at)]
    return name


def fold_frame_setup(runs, returns):
    """Moves the frame set-up common to most functions into their CIE.

    Nearly every function builds the same frame (push ebp; mov ebp, esp),
    and its FDE says so in 8 bytes of instructions placed at the prologue's
    offsets. At every call return of a function, where alone the unwinder
    looks, its row is usually one and the same: then the FDE is rewritten to
    set that row at its start, relative to a CIE whose initial instructions
    already set the frame pointer rule (one such CIE per CIE it replaces).
    Each FDE changed is checked: its row at each of its call returns, under
    the new CIE, must be the row the original gave there."""
    frame_setup = bytes([0x0C, 5, 8, 0x85, 2])   # CFA = ebp + 8; ebp saved at CFA - 8
    variants = {}
    for fde in (fde for run in runs for fde in run):
        cie = fde.cie
        if cie.code_alignment != 1 or cie.data_alignment != -4:
            continue
        first = bisect.bisect_right(returns, fde.pc_begin)
        last = bisect.bisect_right(returns, fde.pc_begin + fde.pc_range)
        addresses = returns[first:last]
        if not addresses:
            continue
        rows = rows_at(cie, fde.instructions, fde.pc_begin, addresses)
        if rows is None or len(set(rows)) != 1:
            continue
        (cfa, registers), = set(rows)
        if cfa != (5, 8) or (5, -8) not in registers:
            continue
        key = cie.key()
        if key not in variants:
            variants[key] = cie.with_instructions(cie.initial_instructions().rstrip(b"\0") + frame_setup)
        variant = variants[key]
        initial = dict(rows_at(variant, b"", 0, [1])[0][1])
        extra = tuple((register, offset) for register, offset in registers if initial.get(register) != offset)
        if any(register not in dict(registers) for register in initial):
            continue
        code = encode_row(cfa, extra, -4)
        if code is None:
            continue
        code = code[3:]   # the CFA rule comes from the CIE
        if rows_at(variant, code, fde.pc_begin, addresses) != rows or len(code) >= len(fde.instructions):
            continue
        fde.cie = variant
        shorten(fde, code)


def main(path, objdump, nm, strip):
    # The start-up code registers the table from the label __EH_FRAME_BEGIN__
    # (after the entries of the objects linked before it) to the first
    # terminator; the label's address is fixed in the code, so the entries
    # before it stay exactly where they are. Its address comes from the
    # symbols, which are stripped next.
    registered = symbol_address(nm, path, ("___EH_FRAME_BEGIN__", "__EH_FRAME_BEGIN__"))
    subprocess.run([strip, path], check=True)
    if registered is None:
        raise Unsupported("no __EH_FRAME_BEGIN__ among its symbols")

    with open(path, "rb") as f:
        image = bytearray(f.read())
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    if image[pe:pe + 4] != b"PE\0\0" or struct.unpack_from("<H", image, pe + 24)[0] != 0x10B:
        raise Unsupported("not a 32-bit PE executable")
    sections_count = struct.unpack_from("<H", image, pe + 6)[0]
    optional_size = struct.unpack_from("<H", image, pe + 20)[0]
    symbols_pointer, symbols_count = struct.unpack_from("<II", image, pe + 12)
    if symbols_count:
        raise Unsupported("the executable still has symbols after stripping")
    strings = symbols_pointer or None     # what strip leaves: the long section names
    optional = pe + 24
    image_base = struct.unpack_from("<I", image, optional + 28)[0]
    file_alignment = struct.unpack_from("<I", image, optional + 36)[0]
    directories = struct.unpack_from("<I", image, optional + 92)[0]
    if directories > 4 and struct.unpack_from("<I", image, optional + 96 + 8 * 4 + 4)[0]:
        raise Unsupported("the executable is signed")
    headers = [optional + optional_size + 40 * i for i in range(sections_count)]
    eh = [h for h in headers if section_name(image, h, strings) in (b".eh_fram", b".eh_frame")]
    if len(eh) != 1:
        raise Unsupported("%d .eh_frame sections" % len(eh))
    eh = eh[0]
    virtual_size, address, raw_size, raw_pointer = struct.unpack_from("<IIII", image, eh + 8)
    stored = min(virtual_size, raw_size)
    data = bytes(image[raw_pointer:raw_pointer + stored])
    base = image_base + address

    cies, runs, end = parse(data, base)
    start = registered - base
    first = runs[0] if runs else []
    starts = [fde.start for fde in first] + list(cies)
    if start != 0 and start not in starts:
        raise Unsupported("__EH_FRAME_BEGIN__ is not at an entry")
    prefix_fdes = [fde for fde in first if fde.start < start]
    if runs and len(prefix_fdes) == len(first) and start not in cies:
        raise Unsupported("__EH_FRAME_BEGIN__ lies after the first run")
    prefix_cies = {cie.key(): offset for offset, cie in cies.items() if offset < start}
    tail = [[fde for fde in first if fde.start >= start]] + runs[1:]
    fdes = [fde for run in tail for fde in run]
    kept = tail
    if objdump:
        sites, returns = call_sites(objdump, path)
        kept = [[fde for fde in run if fde.lsda is not None or calls_something(fde, sites)] for run in tail]
        kept = kept[:1] + [run for run in kept[1:] if run]
        for fde in (fde for run in kept for fde in run):
            limit = last_return(fde, returns)
            shorter = without_unreached_rows(fde, limit) if limit is not None else None
            if shorter is not None and len(shorter) < len(fde.instructions):
                shorten(fde, shorter)
        fold_frame_setup(kept, returns)
    new = rebuild(data[:start], prefix_cies, kept, base)
    new_cies, new_runs, new_end = parse(new, base)
    expected = [prefix_fdes + kept[0]] + kept[1:]
    meaning = lambda runs: [[fde.meaning() for fde in run] for run in runs]
    if new[:start] != data[:start] or new_end != len(new) or meaning(new_runs) != meaning(expected):
        sys.exit("compact_eh_frame: %s: the rewritten unwind table differs from the original" % path)
    dropped = len(fdes) - sum(len(run) for run in kept)

    new_raw_size = -(-len(new) // file_alignment) * file_alignment
    shift = raw_size - new_raw_size
    if shift <= 0:
        print("compact_eh_frame: %s: %d CIEs, %d FDEs, nothing to gain" % (path, len(cies), len(fdes)))
        return
    later = [h for h in headers if struct.unpack_from("<I", image, h + 20)[0] > raw_pointer]
    section_end = raw_pointer + raw_size
    image[raw_pointer:section_end] = new + bytes(new_raw_size - len(new))
    for h in later:
        pointer = struct.unpack_from("<I", image, h + 20)[0]
        struct.pack_into("<I", image, h + 20, pointer - shift)
    if symbols_pointer > raw_pointer:
        struct.pack_into("<I", image, pe + 12, symbols_pointer - shift)
    struct.pack_into("<I", image, eh + 16, new_raw_size)
    initialized = struct.unpack_from("<I", image, optional + 8)[0]
    struct.pack_into("<I", image, optional + 8, initialized - shift)
    if struct.unpack_from("<I", image, optional + 64)[0]:
        struct.pack_into("<I", image, optional + 64, 0)
        struct.pack_into("<I", image, optional + 64, pe_checksum(image))
    with open(path + ".tmp", "wb") as f:
        f.write(image)
    shutil.copymode(path, path + ".tmp")
    os.replace(path + ".tmp", path)
    print("compact_eh_frame: %s: %d CIEs -> %d, %d FDEs -> %d; .eh_frame %d -> %d bytes, file %d bytes smaller"
          % (path, len(cies), len(new_cies), len(fdes) + len(prefix_fdes),
             len(fdes) - dropped + len(prefix_fdes), end, len(new), shift))


def pe_checksum(image):
    total = 0
    padded = image + (b"\0" if len(image) % 2 else b"")
    for (word,) in struct.iter_unpack("<H", padded):
        total += word
        total = (total & 0xFFFF) + (total >> 16)
    return ((total & 0xFFFF) + (total >> 16) + len(image)) & 0xFFFFFFFF


if __name__ == "__main__":
    options, arguments = {}, sys.argv[1:]
    while len(arguments) > 2 and arguments[0] in ("--objdump", "--nm", "--strip"):
        options[arguments[0][2:]] = arguments[1]
        arguments = arguments[2:]
    if len(arguments) != 1 or "nm" not in options or "strip" not in options:
        sys.exit("usage: compact_eh_frame.py [--objdump OBJDUMP] --nm NM --strip STRIP EXE")
    try:
        main(arguments[0], options.get("objdump"), options["nm"], options["strip"])
    except Unsupported as why:
        print("compact_eh_frame: warning: %s left as it is: %s" % (arguments[0], why))
