#!/usr/bin/env node
// Writes the ADIF files that the import tests read, with two ADIF writers written
// independently of this program: tcadif's AdifWriter and adif-parser-ts's AdifFormatter.
// The files are committed; run_fixtures.sh writes them again and checks they are unchanged.
//
//   node make_import_fixtures.js DIRECTORY
'use strict';

const fs = require('fs');
const path = require('path');
const { AdifWriter } = require('tcadif');
const { AdifFormatter } = require('adif-parser-ts');

const out = process.argv[2];
if (!out) {
    console.error('usage: make_import_fixtures.js DIRECTORY');
    process.exit(2);
}
fs.mkdirSync(out, { recursive: true });

// The same day of a field activation from both loggers: phone, SSB with its submode, CW, a
// frequency without band, a Corsican and a French department, a band and a mode the entry
// window does not offer, a QSO given twice.
const qsos = [
    { CALL: 'F4ABC', QSO_DATE: '20261207', TIME_ON: '091500', BAND: '40m', MODE: 'SSB',
      SUBMODE: 'LSB', RST_SENT: '59', RST_RCVD: '57', NAME: 'Herve', STATE: '21',
      COMMENT: 'first of the day' },
    { CALL: 'TK5XY', QSO_DATE: '20261207', TIME_ON: '0920', FREQ: '14.285', MODE: 'SSB',
      SUBMODE: 'USB', RST_SENT: '59', RST_RCVD: '59', STATE: '2A', DXCC: '214' },
    { CALL: 'DL1ABC/P', QSO_DATE: '20261207', TIME_ON: '093000', BAND: '20m', MODE: 'CW',
      RST_SENT: '599', RST_RCVD: '579', NAME: 'Klaus', STATE: 'BY' },
    { CALL: 'G4AAA', QSO_DATE: '20261207', TIME_ON: '0945', BAND: '60m', MODE: 'SSB' },
    { CALL: 'EA3XYZ', QSO_DATE: '20261207', TIME_ON: '1000', BAND: '20m', MODE: 'FT8',
      RST_SENT: '-10', RST_RCVD: '-12' },
    { CALL: 'F4ABC', QSO_DATE: '20261207', TIME_ON: '091500', BAND: '40m', MODE: 'SSB',
      SUBMODE: 'LSB', RST_SENT: '59', RST_RCVD: '57' },
];

// tcadif: a header line with the time of writing (pinned here, so that every run writes the
// same file), upper-case tags with type indicators, CR LF line ends, a blank line between
// records.
function writeTcadif(file) {
    Date.prototype.toJSON = () => '2026-12-07T12:00:00.000Z';
    return new Promise((resolve, reject) => {
        const writer = new AdifWriter({
            PROGRAMID: 'fixture', PROGRAMVERSION: '1', CREATED_TIMESTAMP: '20261207 120000',
        }, { fieldDelim: '\r\n', recordDelim: '\r\n\r\n' });
        const chunks = [];
        writer.on('data', chunk => chunks.push(chunk));
        writer.on('error', reject);
        writer.on('end', () => {
            fs.writeFileSync(file, chunks.join(''));
            resolve();
        });
        for (const qso of qsos)
            writer.write(qso);
        writer.end();
    });
}

// adif-parser-ts: lower-case tags, LF line ends, lengths in UTF-8 bytes, accented names in
// UTF-8.
function writeAdifParserTs(file) {
    const records = qsos.map(q => {
        const r = {};
        for (const [key, value] of Object.entries(q))
            r[key.toLowerCase()] = value;
        return r;
    });
    records[0].name = 'Hervé';
    records[2].name = 'Jürgen';
    const text = AdifFormatter.formatAdi({
        header: { text: 'Field log', adif_ver: '3.1.4', programid: 'fixture' },
        records,
    });
    fs.writeFileSync(file, text, 'utf8');
}

writeTcadif(path.join(out, 'tcadif.adi'))
    .then(() => writeAdifParserTs(path.join(out, 'adif-parser-ts.adi')))
    .catch(err => {
        console.error(err.message);
        process.exit(1);
    });
