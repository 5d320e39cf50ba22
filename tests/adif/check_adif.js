#!/usr/bin/env node
// Reads ADIF files with tcadif, a strict parser written independently of this program, and
// exits non-zero on anything it rejects: a bad length, a date or time that is no date or time,
// a band or mode outside the ADIF lists, a character outside printable ASCII in a text field,
// a record without call, date, time, band or mode.
//
//   node check_adif.js FILE EXPECTED_RECORDS [FILE EXPECTED_RECORDS ...]
'use strict';

const fs = require('fs');
const { ADIF } = require('tcadif');

const args = process.argv.slice(2);
if (args.length === 0 || args.length % 2 !== 0) {
    console.error('usage: check_adif.js FILE EXPECTED_RECORDS [...]');
    process.exit(2);
}

let failed = false;
for (let i = 0; i < args.length; i += 2) {
    const file = args[i];
    const expected = Number(args[i + 1]);
    // One byte, one character: an 8-bit byte shows as a character above "~" and is refused,
    // and the field lengths are counted as the exporter counts them.
    const text = fs.readFileSync(file).toString('latin1');
    try {
        const adif = ADIF.parse(text).toObject();
        if (adif.header === null)
            throw new Error('no header ended by <eoh>');
        if (adif.qsos.length !== expected)
            throw new Error(`${adif.qsos.length} records read, ${expected} expected`);
        console.log(`${file}: ${adif.qsos.length} records accepted`);
    } catch (err) {
        console.error(`${file}: ${err.message}`);
        failed = true;
    }
}
process.exit(failed ? 1 : 0);
