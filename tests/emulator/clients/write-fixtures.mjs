// Writes one receipt stream per client library into ../fixtures/, for the emulator's tests.
// Run `npm ci` here once, then `npm run fixtures`. The receipts use the features point-of-sale
// programs use on text receipts: alignment, columns, sizes, fonts, styles, code tables, a 1D
// barcode, the drawer pulse, the buzzer and the cut; one sends GS1 symbols, one UTF-8 text.
import { writeFileSync, mkdirSync } from 'node:fs';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { createRequire } from 'node:module';

const require = createRequire(import.meta.url);
const out = join(dirname(fileURLToPath(import.meta.url)), '..', 'fixtures');

function save(name, bytes) {
    mkdirSync(out, { recursive: true });
    writeFileSync(join(out, name), Buffer.from(bytes));
    console.log(`${name}: ${bytes.length} bytes`);
}

async function pointOfSale() {
    const { default: ReceiptPrinterEncoder } = await import('@point-of-sale/receipt-printer-encoder');
    const encoder = new ReceiptPrinterEncoder({ language: 'esc-pos', columns: 32, codepageMapping: 'epson' });
    return encoder
        .initialize()
        .codepage('cp437')
        .align('center').bold(true).size(2, 2).line('CAFE').size(1, 1).bold(false)
        .line('Rue de la Paix 12')
        .align('left')
        .rule({ style: 'single' })
        .table([{ width: 20, align: 'left' }, { width: 12, align: 'right' }], [
            ['Croissant', '2.40'], ['Cafe creme', '3.10'],
        ])
        .rule({ style: 'double' })
        .font('B').line('Font B: small print for the footer').font('A')
        .invert(true).line(' REVERSE ').invert(false)
        .italic(true).line('Italic line').italic(false)
        .underline(true).line('Underlined').underline(false)
        .codepage('cp850').line('Crème brûlée, Übergröße')
        .codepage('windows1252').line('Prix: 5,00 €')
        .barcode('3130630574613', 'ean13', 60)
        .pulse(0, 100, 500)
        .newline(2)
        .cut('partial')
        .encode();
}

function nodeThermalPrinter() {
    const { ThermalPrinter, PrinterTypes, CharacterSet } = require('node-thermal-printer');
    const printer = new ThermalPrinter({
        type: PrinterTypes.EPSON, interface: '/dev/null', width: 32, characterSet: CharacterSet.PC437_USA,
    });
    printer.alignCenter();
    printer.setTextQuadArea();
    printer.println('BAKERY');
    printer.setTextNormal();
    printer.alignLeft();
    printer.drawLine();
    printer.leftRight('Bread', '1.20');
    printer.leftRight('Butter', '2.35');
    printer.tableCustom([
        { text: 'Item', align: 'LEFT', width: 0.5 },
        { text: 'Qty', align: 'CENTER', width: 0.2 },
        { text: 'Sum', align: 'RIGHT', width: 0.3 },
    ]);
    printer.drawLine();
    printer.setTypeFontB();
    printer.println('Font B line with more characters per line');
    printer.setTypeFontA();
    printer.upsideDown(true);
    printer.println('Upside down');
    printer.upsideDown(false);
    printer.invert(true);
    printer.println('Inverted');
    printer.invert(false);
    printer.underlineThick(true);
    printer.println('Thick underline');
    printer.underlineThick(false);
    printer.setTextDoubleHeight();
    printer.println('Tall');
    printer.setTextDoubleWidth();
    printer.println('Wide');
    printer.setTextNormal();
    printer.printBarcode('CODE128TEST', 73, { hriPos: 2 });
    printer.openCashDrawer(); // sends ESC p m without its two pulse times
    printer.beep(2, 3);
    printer.cut();
    return printer.getBuffer();
}

async function escposBuffer() {
    const { Printer, Style, Align, Drawer, Model, InMemory } = require('escpos-buffer');
    const connection = new InMemory();
    const printer = await Printer.CONNECT(new Model('TM-T20'), connection);
    await printer.setColumns(42);
    await printer.writeln('MARKET', Style.DoubleHeight | Style.Bold, Align.Center);
    await printer.writeln('Apples           3.00');
    await printer.writeln('Pears            2.50', 0, Align.Right);
    await printer.writeln('Total', Style.DoubleWidth, Align.Center);
    await printer.withStyle({ width: 2, height: 3, bold: true, italic: true, underline: true, align: Align.Center },
        async () => { await printer.writeln('Thanks'); });
    await printer.writeln('Default style again');
    await printer.feed(2);
    await printer.buzzer();
    await printer.cutter();
    await printer.drawer(Drawer.First);
    return connection.buffer();
}

function receiptLine() {
    const receiptline = require('receiptline');
    const doc = [
        '^^^RECEIPT',
        '',
        '|Coffee | 2| 5.00',
        '|Cake   | 1| 3.50',
        '---',
        '^TOTAL | ^8.50',
        '{w:*,10}',
        '"Thank you" | "bye"',
        '~Font~ | _underline_ | `inverted`',
        '{code:0123456789; option:code128,2,48,hri}',
        '=',
    ].join('\n');
    const command = receiptline.transform(doc, { cpl: 32, encoding: 'cp437', command: 'escpos', cutting: true });
    return Buffer.from(command, 'binary');
}

// GS1-128 and the four GS1 DataBar symbologies (GS k 74..78), beside a QR code.
async function reactThermalPrinter() {
    const { EpsonPrinter } = await import('@react-thermal-printer/printer');
    const printer = new EpsonPrinter();
    const gs1 = { hriPosition: 'bottom', width: 2, height: 60 };
    return printer
        .initialize()
        .setAlign('center').setTextBold(true).text('GS1 LABELS').setTextBold(false).newLine()
        .barcode('(01)09501101530003(10)1234', 'GS1-128', gs1).newLine()
        .barcode('0950110153000', 'GS1 (DataBar Omnidirectional)', gs1).newLine()
        .barcode('0950110153000', 'GS1 (DataBar Truncated)', { ...gs1, height: 40 }).newLine()
        .barcode('1501234567890', 'GS1 (DataBar Limited)', gs1).newLine()
        .barcode('(01)09501101530003(3103)000525', 'GS1 (DataBar Expanded)', { ...gs1, width: 1 }).newLine()
        .qrcode('https://example.com/rtp/5', { cellSize: 5, correction: 'M' }).newLine()
        .cut()
        .getData();
}

// UTF-8 text (FS ( C), every text line ended with ESC d 0.
function tillposXml() {
    const { EscPos } = require('@tillpos/xml-escpos-helper');
    const template = `<?xml version="1.0" encoding="UTF-8"?>
<document>
  <print-mode>
  <align mode="center">
    <bold><text-line size="1:1">{{title}}</text-line></bold>
    <text-line>{{address}}</text-line>
  </align>
  <line-feed />
  {{#items}}
  <text-line>{{name}}</text-line>
  {{/items}}
  <underline><text-line>Total 12,40 €</text-line></underline>
  <small><text-line>Merci — à bientôt</text-line></small>
  <text-line>谢谢光临</text-line>
  <align mode="center">
    <qrcode ecl="M">https://example.com/tp/6</qrcode>
  </align>
  <paper-cut />
  </print-mode>
</document>`;
    const input = {
        title: 'Café Zoë',
        address: 'Große Straße 7',
        items: [{ name: 'Crème brûlée 4,50' }, { name: 'Smørrebrød 7,90' }],
    };
    return EscPos.getBufferFromTemplate(template, input);
}

save('point-of-sale.bin', await pointOfSale());
save('node-thermal-printer.bin', nodeThermalPrinter());
save('escpos-buffer.bin', await escposBuffer());
save('receiptline.bin', receiptLine());
save('react-thermal-printer.bin', await reactThermalPrinter());
save('tillpos-xml.bin', tillposXml());
