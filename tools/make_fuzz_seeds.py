#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets (fuzz/corpus/<target>/) from the shapes the
tests use and from real call signs of MASTER.SCP (Debian hamradio-files). Run once; the seeds
are committed."""
import io
import os
import random
import sys
import warnings
import zipfile

root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
corpus = os.path.join(root, "fuzz", "corpus")
scp = "/usr/share/hamradio-files/MASTER.SCP"

rng = random.Random(13)
calls = [l.strip() for l in open(scp, encoding="latin-1") if l.strip() and not l.startswith("#")]
calls = rng.sample(calls, 300)
names = ["JEAN", "PIERRE", "FRÉDÉRIC", "MARIE-ANNE", "JOSÉ", "LÆTITIA", "ÉLODIE", "PAUL", ""]
depts = ["75", "2A", "2b", "13", "971", "01", "", "21"]


def write(target, name, text):
    d = os.path.join(corpus, target)
    os.makedirs(d, exist_ok=True)
    data = text if isinstance(text, bytes) else text.encode("cp1252")
    with open(os.path.join(d, name), "wb") as f:
        f.write(data)


def fit(text, width):
    return text[:width].ljust(width)


def activation(number, activator, name, canton, cp, kind, date, commune, partner=0, logger=""):
    line = (fit(number, 12) + " " + fit(activator, 10) + " " + fit(name, 35) + " " +
            fit(canton, 4) + " " + fit(cp, 5) + " " + fit(kind, 12) + " " + fit(date, 8) +
            " " + fit(commune, 35))
    line += (str(partner).rjust(3) if partner else "   ") + " " + fit(logger, 10)
    return line


def qso(date, time, call, dept, name, rr, rs, mode, band, remarks=""):
    return (fit(date, 8) + "  " + fit(time, 5) + "  " + fit(call, 12) + "  " + fit(dept, 2) +
            "  " + fit(name, 15) + "  " + fit(rr, 3) + " " + fit(rs, 3) + " " + fit(mode, 4) +
            "  " + fit(band, 3) + " Mhz " + fit(remarks.upper(), 30))


single = activation("DFCF-21-001", "F4ABC", "Château de Vougeot", "2104", "21640", "DFCF",
                    "07/12/26", "Vougeot")
first = activation("DFCF-21-002", "F4ABC", "Château du Clos", "", "21640", "DFCF", "08/12/26",
                   "Vougeot", partner=3, logger="F5XYZ")
second = activation("DIFI-21-010", "F4ABC", "Île du Clos", "", "21640", "DIFI", "08/12/26",
                    "Vougeot", partner=2, logger="F5XYZ")
old = single[:129]
write("fuzz_activation_list", "single", single + "\r\n")
write("fuzz_activation_list", "double", single + "\r\n" + first + "\r\n" + second + "\r\n")
write("fuzz_activation_list", "old_release", old + "\r\n" + single[:93] + "\r\n" + single + "\n")
write("fuzz_activation_list", "deleted", single[:12] + "*" + single[13:] + "\r\n" + first)
write("fuzz_activation_list", "empty", "")

lines = []
for i, call in enumerate(calls[:120]):
    minute = 600 + i * 3
    band = rng.choice(["3.5", "7", "14", "144", "1.8"])
    mode = rng.choice(["SSB", "CW"])
    rst = "59" if mode == "SSB" else "599"
    dept = rng.choice(depts[:6]) if call.startswith("F") else ""
    lines.append(qso("07/12/26", "%02d:%02d" % (minute // 60 % 24, minute % 60), call, dept,
                     rng.choice(names), rst, rst, mode, band, rng.choice(["", "qrp", "portable"])))
write("fuzz_activity_log", "log", "\r\n".join(lines) + "\r\n")
write("fuzz_activity_log", "short", "\r\n".join(lines[:5]))
write("fuzz_activity_log", "mixed_ends",
      lines[0] + "\n" + lines[1] + "\r\n" + "07/12/26  14" + "\r\n" + "31/02/99  25:61  F1ABC\r\n")
write("fuzz_activity_log", "years", qso("01/01/50", "00:00", "F1AAA", "75", "", "59", "59", "SSB",
                                        "7") + "\r\n" + qso("31/12/49", "23:59", "F1BBB", "", "",
                                                            "599", "599", "CW", "14") + "\r\n")

memory = []
for call in calls[:300]:
    memory.append(fit(call, 12) + " " + fit(rng.choice(depts[:6]) if call.startswith("F") else "",
                                            2) + " " + rng.choice(names))
memory_text = "\r\n".join(memory) + "\r\n"
write("fuzz_first_names", "known", calls[7] + "\t75\tJEAN\n" + memory_text)
write("fuzz_first_names", "unknown", "F4ZZZ\t21\tÉLODIE\n" + memory_text)
write("fuzz_first_names", "torn", calls[3] + "\t\t\n" + "\r\n".join(memory[:20]) + "\r\nF5AB")
write("fuzz_first_names", "hand_edited", "F5AAA\t13\tPaul\nF5AAA        13 Jean\r\nF5AAA\r\n"
      " F5AAA       12 X\nON4ZZ           \r\n")

write("fuzz_settings", "usual", "[Setup%20]\nMode%20Activite=1\nBande%20Activite=4\n"
      "Mode_Refrappe=True\nDate%20Auto=False\nHeure%20UTC=True\nIndicatif=F4ABC\n")
write("fuzz_settings", "old_mode", "[Setup%20]\nMode%20Activite=CW\nBande%20Activite=99\n")
write("fuzz_settings", "odd", "[Setup%20]\nMode%20Activite= -1 \nBande%20Activite=0x10\n"
      "N%B0%20Etiquette=2\n\"Heure UTC\"=true\n")

for name, text in [("date", "07/12/26\t14:07"), ("leap", "29/02/24\t23:59"),
                   ("bad", "31/02/09\t25:61"), ("short", "7/12/26\t1407"), ("one", "07/12/26")]:
    write("fuzz_date_time", name, text)
table = os.path.join(root, "data", "Continents_DXCC.csv")
if os.path.exists(table):
    rows = open(table, "rb").read().split(b"\n")
    write("fuzz_prefix_table", "head", b"\n".join(rows[:60]))
    write("fuzz_prefix_table", "middle", b"\n".join(rows[5000:5060]))
    write("fuzz_prefix_table", "edited", "F;France;227;EU\r\nF;Autre;999;EU\r\nFO;Polynesie;175;OC\n"
          "TK ; Corse ; 214 ; EU\r\n;vide;1;EU\r\nsans champs\r\n\r\n")


def adif(fields):
    """One ADIF record, each length counted in bytes."""
    out = b""
    for name, value in fields:
        data = value.encode("utf-8") if isinstance(value, str) else value
        out += b"<" + name.encode() + b":" + str(len(data)).encode() + b">" + data
    return out + b"<eor>\r\n"


adif_qsos = []
for i, call in enumerate(calls[:40]):
    minute = 600 + i * 4
    fields = [("CALL", call), ("QSO_DATE", "20261207"),
              ("TIME_ON", "%02d%02d" % (minute // 60 % 24, minute % 60)),
              ("BAND", rng.choice(["40m", "80m", "20m", "2m", "160m", "60m"])),
              ("MODE", rng.choice(["SSB", "CW", "FT8"])), ("RST_SENT", "59"), ("RST_RCVD", "57")]
    if call.startswith("F"):
        fields.append(("STATE", rng.choice(depts)))
    if rng.random() < 0.5:
        fields.append(("NAME", rng.choice(names)))
    adif_qsos.append(adif(fields))
write("fuzz_adif_import", "export", b"Export\r\n<ADIF_VER:5>3.1.6\r\n<EOH>\r\n" +
      b"".join(adif_qsos))
write("fuzz_adif_import", "no_header", b"".join(adif_qsos[:5]).replace(b"\r\n", b""))
write("fuzz_adif_import", "oddities",
      b"\xef\xbb\xbfa <b> c\n<eoh>\n<call:5:s>f1abc<Qso_Date:8>20261207<TIME_ON:6>101530 text\n"
      b"<freq:6>14.285<mode:3>SSB<submode:3>USB<name:5>Herv\xc3\xa9<COMMENT:500>cut<EOR>"
      b"<CALL:5>F1ABC<QSO_DATE:8>20261207<TIME_ON:4>1015<BAND:3>20m<MODE:3>SSB")
write("fuzz_adif_import", "bad_values", adif([("CALL", "F1ABCDEFGHIJK"), ("QSO_DATE", "20260231"),
                                              ("TIME_ON", "2460"), ("BAND", "41m")]) +
      adif([("CALL", "G4AAA"), ("QSO_DATE", "19491231"), ("TIME_ON", "1000"), ("FREQ", "7,1"),
            ("MODE", "LSB"), ("NAME", b"Ren\xe9"), ("RST_SENT", "59999")]))
write("fuzz_adif_import", "xml",
      "<?xml version=\"1.0\"?>\n<ADX><HEADER><ADIF_VER>3.1.6</ADIF_VER></HEADER><RECORDS>"
      "<RECORD><CALL>DL1ABC</CALL><QSO_DATE>20261207</QSO_DATE><TIME_ON>1000</TIME_ON>"
      "<BAND>40m</BAND><MODE>CW</MODE><APP PROGRAMID=\"X\" FIELDNAME=\"Y\">1</APP></RECORD>"
      "<RECORD><CALL>F1ABC</CALL></RECORDS></ADX>")
# The cluster session: a read size, the login and comment up to a NUL, then what the node sends;
# the hostile ones flood, never end a line, storm with telnet commands or cut every prompt.
cluster_login = b"\x07F4XYZ\x00"
cluster_node = b"\xff\xfb\x01Welcome\r\nlogin: " + b"F4XYZ de TEST 1407Z node >"
cluster_seeds = {
    "usual": b"\x40" + cluster_login + cluster_node +
             b"DX de F4XYZ: 14285.0 F4XYZ SSB 1407Z\a\a\r\nnode >",
    "byte_by_byte": b"\x00" + cluster_login + cluster_node + b"\x01Spot queued\r\n\x01",
    "short_lines": b"\x3f" + cluster_login + cluster_node + b"73\r\n" * 1800,
    "no_line_end": b"\x3f" + cluster_login + cluster_node + b"x" * 7000 + b" >",
    "telnet_storm": b"\x05" + cluster_login +
                    b"".join(bytes([255, verb, opt]) for verb in (251, 253) for opt in range(0, 256, 3))
                    + b"\xff\xfa\x18" + b"\x01" * 500 + b"login: ",
    "controls": b"\x07F4XYZ\r\nSET/PASSWORD x\x1b[2J\x7f\x03\x00" + b"\x1b\x03\x7f\r" * 300 +
                b"login:\r\npassword: ",
    "long_lines": b"\x3f" + cluster_login + cluster_node + (b"y" * 1500 + b"\r\n") * 4,
}
for name, data in cluster_seeds.items():
    write("fuzz_cluster_session", name, data)

# Archives to restore (first byte 0) and MASTER.SCP lists (first byte 1).
def zipped(members, method=zipfile.ZIP_STORED):
    out = io.BytesIO()
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")  # a name given twice is what the seed is for
        with zipfile.ZipFile(out, "w") as z:
            for name, data in members:
                info = zipfile.ZipInfo(name, (2024, 5, 20, 14, 32, 0))
                info.compress_type = method
                z.writestr(info, data)
    return b"\0" + out.getvalue()


write("fuzz_data_archive", "archive_good", zipped(
    [("DFCF 76054.txt", b"1   F6ABC  76 Fr\xe9d\xe9ric 59 59 20/05/2024 10:02\r\n"),
     ("Listes/Op\u00e9rateurs 1.txt", b"F6ABC\r\n"),
     ("R\u00e9glages/Riduzazur.ini", b"[Setup%20]\r\nIndicatif=F6ABC\r\n")], zipfile.ZIP_DEFLATED))
write("fuzz_data_archive", "archive_twice",
      zipped([("DFCF 76054.txt", b"a\r\n"), ("DFCF 76054.txt", b"b\r\n")]))
write("fuzz_data_archive", "archive_control", zipped([("DFCF\n76054.txt", b"a\r\n")]))
write("fuzz_data_archive", "archive_parent", zipped([("ok.txt", b"a"), ("../evil", b"b")]))
write("fuzz_data_archive", "archive_zeros",
      zipped([("zero.txt", bytes(200000))], zipfile.ZIP_DEFLATED))
write("fuzz_data_archive", "list_mark",
      b"\1\xef\xbb\xbf# 2024\r\n" + "\r\n".join(calls[:40]).encode() + b"\r\n\r\nDL1AA\n")
write("fuzz_data_archive", "list_bad_line", b"\1F5ABC\r\nf5 abc\r\nVERYLONGCALL1\r\n")
# Datagrams of the FT8 and FT4 programs, as their published format lays them out (QDataStream,
# big endian): every type we read, in schemas 2 and 3.
import struct


def u32(v):
    return struct.pack(">I", v)


def utf8(text):
    b = text.encode("utf-8")
    return u32(len(b)) + b


def stamp(jd, ms):
    return struct.pack(">qIB", jd, ms, 1)


def datagram(kind, schema, body=b"", sender="WSJT-X"):
    return u32(0xADBCCBDA) + u32(schema) + u32(kind) + utf8(sender) + body


day = 2461382  # 7 December 2026
logged = (stamp(day, 35985000) + utf8("DL1ABC") + utf8("JO62") + struct.pack(">Q", 14074000) +
          utf8("FT8") + utf8("-12") + utf8("+05") + utf8("10") + utf8("merci") + utf8("Hans"))
logged_full = logged + stamp(day, 35910000) + utf8("F4ABC") + utf8("F4ABC/P") + utf8("JN18du") + \
    utf8("") + utf8("") + utf8("")
adif = ("<adif_ver:5>3.1.0<programid:6>WSJT-X<EOH><call:6>DL1ABC <gridsquare:4>JO62 "
        "<mode:4>MFSK <submode:3>FT4 <rst_sent:3>-12 <rst_rcvd:3>+05 <qso_date:8>20261207 "
        "<time_on:6>095830 <band:3>20m <freq:9>14.080000 <EOR>")
status = (struct.pack(">Q", 7074000) + utf8("FT8") + utf8("DL1ABC") + utf8("-12") + utf8("FT8") +
          b"\1\0\1" + u32(1500) + u32(1200) + utf8("F4ABC") + utf8("JN18du") + utf8("JO62") +
          b"\0" + utf8("") + b"\0\0" + u32(0xFFFFFFFF) + u32(15) + utf8("Default") + utf8("x"))
decode = (b"\1" + u32(35895000) + struct.pack(">i", -7) + struct.pack(">d", 0.2) + u32(1234) +
          utf8("~") + utf8("CQ DL1ABC JO62") + b"\0\0")
for schema in (2, 3):
    s = str(schema)
    write("fuzz_digital_datagram", "heartbeat" + s,
          datagram(0, schema, u32(3) + utf8("2.7.0") + utf8("abc") if schema == 3 else b""))
    write("fuzz_digital_datagram", "status" + s, datagram(1, schema, status))
    write("fuzz_digital_datagram", "decode" + s, datagram(2, schema, decode))
    write("fuzz_digital_datagram", "clear" + s, datagram(3, schema))
    write("fuzz_digital_datagram", "logged" + s, datagram(5, schema, logged))
    write("fuzz_digital_datagram", "logged_full" + s, datagram(5, schema, logged_full, "JTDX"))
    write("fuzz_digital_datagram", "close" + s, datagram(6, schema))
    write("fuzz_digital_datagram", "adif" + s, datagram(12, schema, utf8(adif)))
    write("fuzz_digital_datagram", "highlight" + s, datagram(
        13, schema, utf8("DL1ABC") + b"\1\xff\xff\xc0\xc0\xc0\xc0\xc0\xc0\0\0" + bytes(11) + b"\0"))
write("fuzz_digital_datagram", "lying_length", u32(0xADBCCBDA) + u32(3) + u32(5) + u32(0xFFFFFFFE))
write("fuzz_digital_datagram", "gpsd",
      b'{"class":"TPV","mode":3,"lat":48.8566,"lon":2.3522}\n{"class":"SKY"}\n')

print("seeds written to", corpus, file=sys.stderr)
