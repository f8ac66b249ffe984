// Writes one receipt stream per client library with bit images, stored graphics, QR codes and 1D
// barcodes into ../fixtures/images-*.bin, for the emulator's tests. Run `npm ci` here once,
// then `npm run image-fixtures`. Every image is the same test picture (a 96 x 48 frame around a
// checkerboard of 8-dot squares), which the tests draw again to compare the paper dot for dot.
import { writeFileSync, mkdirSync } from 'node:fs';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { createRequire } from 'node:module';

const require = createRequire(import.meta.url);
const out = join(dirname(fileURLToPath(import.meta.url)), '..', 'fixtures');
const { PNG } = require('pngjs');

const WIDTH = 96;
const HEIGHT = 48;
const dark = (x, y) => x < 2 || y < 2 || x >= WIDTH - 2 || y >= HEIGHT - 2 || ((x >> 3) + (y >> 3)) % 2 === 0;

// RGBA pixels of the test picture, black on white, fully opaque.
function pictureRgba() {
    const data = Buffer.alloc(WIDTH * HEIGHT * 4);
    for (let y = 0; y < HEIGHT; y++) {
        for (let x = 0; x < WIDTH; x++) {
            const v = dark(x, y) ? 0 : 255;
            data.set([v, v, v, 255], (y * WIDTH + x) * 4);
        }
    }
    return { data, width: WIDTH, height: HEIGHT };
}

function picturePng() {
    const png = new PNG({ width: WIDTH, height: HEIGHT });
    pictureRgba().data.copy(png.data);
    return PNG.sync.write(png);
}

function save(name, bytes) {
    mkdirSync(out, { recursive: true });
    writeFileSync(join(out, name), Buffer.from(bytes));
    console.log(`${name}: ${bytes.length} bytes`);
}

async function pointOfSale(imageMode) {
    const { default: ReceiptPrinterEncoder } = await import('@point-of-sale/receipt-printer-encoder');
    const { default: ImageData } = await import('@canvas/image-data');
    const picture = pictureRgba();
    const image = new ImageData(new Uint8ClampedArray(picture.data), WIDTH, HEIGHT);
    const encoder = new ReceiptPrinterEncoder({ language: 'esc-pos', columns: 32, imageMode });
    return encoder
        .initialize()
        .line(`Image (${imageMode})`)
        .image(image, WIDTH, HEIGHT, 'threshold')
        .newline()
        .qrcode('https://example.com/pos/1', { model: 2, size: 5, errorlevel: 'm' })
        .newline()
        .barcode('3130630574613', 'ean13', 60)
        .newline()
        .barcode('POS-128', 'code128', 60)
        .newline(2)
        .cut('full')
        .encode();
}

async function nodeThermalPrinter() {
    const { ThermalPrinter, PrinterTypes } = require('node-thermal-printer');
    const printer = new ThermalPrinter({ type: PrinterTypes.EPSON, interface: '/dev/null', width: 32 });
    printer.println('Image (raster)');
    await printer.printImageBuffer(picturePng());
    printer.newLine();
    printer.printQR('https://example.com/ntp/2', { cellSize: 4, correction: 'M', model: 2 });
    printer.newLine();
    printer.code128('NTP-128', { width: 'SMALL', height: 60, text: 2 });
    printer.newLine();
    printer.cut();
    return printer.getBuffer();
}

async function escposBuffer() {
    const { Printer, Model, InMemory, Image } = require('escpos-buffer');
    const connection = new InMemory();
    const printer = await Printer.CONNECT(new Model('TM-T20'), connection);
    await printer.writeln('Image (bit image)');
    await printer.draw(new Image(pictureRgba()));
    await printer.feed(1);
    await printer.qrcode('https://example.com/eb/3', 4);
    await printer.feed(2);
    await printer.cutter();
    return connection.buffer();
}

function receiptLine() {
    const receiptline = require('receiptline');
    const doc = [
        'Image (graphics)',
        `{image:${picturePng().toString('base64')}}`,
        '{code:https://example.com/rl/4; option:qrcode,5,m}',
        '{code:RL-128; option:code128,2,60,hri}',
        '{code:4901234567894; option:ean,2,60,hri}',
        '=',
    ].join('\n');
    const command = receiptline.transform(doc, { cpl: 32, encoding: 'cp437', command: 'escpos', cutting: true });
    return Buffer.from(command, 'binary');
}

save('images-point-of-sale-column.bin', await pointOfSale('column'));
save('images-point-of-sale-raster.bin', await pointOfSale('raster'));
save('images-node-thermal-printer.bin', await nodeThermalPrinter());
save('images-escpos-buffer.bin', await escposBuffer());
save('images-receiptline.bin', receiptLine());
