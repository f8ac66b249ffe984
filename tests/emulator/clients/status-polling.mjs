// A point-of-sale program's status polling through @node-escpos/core: it prints an order, then
// asks the printer's four real-time statuses (DLE EOT 1, 4, 2, 3) with the library's
// getStatuses() and reads the answers with the library's own status classes.
//   node status-polling.mjs write        writes ../fixtures/status-polling-node-escpos.bin
//   node status-polling.mjs decode HEX   prints the library's reading of four reply bytes, one
//                                        label a line (the emulator's tests run this)
import { writeFileSync, mkdirSync } from 'node:fs';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { Printer } from '@node-escpos/core';

// An adapter that keeps what the library writes and hands it the printer's answer when asked.
class RecordingAdapter {
    constructor() { this.written = []; this.reader = null; }
    write(data, callback) {
        this.written.push(Buffer.isBuffer(data) ? data : Buffer.from(data, 'latin1'));
        if (callback) callback();
    }
    read(callback) { this.reader = callback; }
    bytes() { return Buffer.concat(this.written); }
}

async function pollingReceipt() {
    const adapter = new RecordingAdapter();
    const printer = new Printer(adapter, { encoding: 'ascii', width: 32 });
    printer.align('ct').text('ORDER 42').align('lt').text('2 x Espresso        4.80').cut();
    await printer.flush();
    const statuses = printer.getStatuses();
    return { adapter, statuses };
}

const [mode, hex] = process.argv.slice(2);
const { adapter, statuses } = await pollingReceipt();
if (mode === 'write') {
    const out = join(dirname(fileURLToPath(import.meta.url)), '..', 'fixtures');
    mkdirSync(out, { recursive: true });
    writeFileSync(join(out, 'status-polling-node-escpos.bin'), adapter.bytes());
    console.log(`status-polling-node-escpos.bin: ${adapter.bytes().length} bytes`);
} else if (mode === 'decode' && /^([0-9a-fA-F]{2}){4}$/.test(hex || '')) {
    adapter.reader(Buffer.from(hex, 'hex'));
    for (const status of await statuses) {
        for (const { label } of status.toJSON().statuses) if (label && label !== 'Fixed') console.log(label);
    }
} else {
    console.error('usage: node status-polling.mjs write | decode HEX (four bytes)');
    process.exit(2);
}
process.exit(0);
