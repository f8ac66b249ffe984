#!/usr/bin/env bash
# Builds the fuzz preset and runs the printer decoder fuzzer for SECONDS (default 60) on a seed
# corpus made from the printer's command set. Fails when the fuzzer finds a crash.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j2 --target emulator_decoder_fuzz

work=build-fuzz/fuzz
seeds="$work/seeds"
corpus="$work/corpus"
mkdir -p "$seeds" "$corpus" "$work/crashes"
# Each seed starts with the fuzzer's control byte (piece size, paper toggling, tracing) and its
# model byte (0 the module, 1 and 2 the common printers).
seed() { printf "$2" >"$seeds/$1"; }
seed text          '\x90\x00\x1b@\xb2\xe2\xca\xd4AB\n\x1bJd\x1bKx\x1bd\x02\x1be\x01\r\t'
seed modes         '\x85\x00\x1b!\x38\x1ba\x01\x1bm\x04\x1bl\x0a\x1bQ\x0a\x1b$d\x00\x1bE\x01\x1b-\x02\x1b3\x28\x1b2\x1bt\x00\x1c&\x1c.\x1d!\x11\x1dL\x10\x00\x1dW\x80\x01X\n'
seed tabs          '\x81\x00\x1bD\x0c\x18\x24\x00A\tB\tC\n'
seed table         '\x83\x00\x1cV\x05\x00\x08\x10\x18\x20\x04\x02\x0a\x12\x1a\x02  A  \x00\x01  1\x00\x01  2\x00\x01  3\x00\n'
seed raster        '\xbf\x00\x1dv0\x00\x02\x00\x03\x00\xff\x00\x81\x7e\xaa\x55\n'
seed barcode2      '\x88\x00\x1dw\x02\x1dh\x60\x1dH\x02\x1dk\x43\x0c012345678900\n'
seed barcode1      '\x88\x00\x1dk\x04CODE-39\x00\x1dk\x49\x05{Babc\n'
seed cuts          '\x84\x00A\n\x1dVB2B\n\x1dVA2\x1dV\x00\x1dV1'
seed status        '\xc1\x00\x1da\x2f\x10\x04\x05AB\x10\x04\x05'
seed sleep         '\xc2\x00\x10\x14\x08\x01\x03\x14\x01\x06\x02\x08\x10\x14\x02\x01\x08xyz\x10\x14\x02\x02\x08\x10\x14\x02\x02\x08Q'
seed line          '\x80\x00\x1d(E\x06\x00\x0b\x019600\x1d(E\x03\x00\x0b\x031\x1d(E\x03\x00\x0b\x03\x00'
seed hostile       '\x3f\x00\x1dv0\x00\xff\xff\xff\xff\x00\x00\x00\x00'
seed escpos       '\x90\x01\x1bt\x02\x82\x1bM\x01ab\x1dB\x01c\x1b{\x01d\n\x1b\\\x10\x00e\x1b4f\x1b5\x0eg\n\x1bp\x002\xfa\x1bm\x1bi\x10\x04\x01\x1dI\x43\x1c(A\x02\x000\x00'
seed bitimage      '\x85\x01\x1b3\x18\x1b*\x21\x02\x00\xff\x00\x81\x7e\xaa\x55\n\x1b*\x00\x03\x00\x0f\xf0\xaa\n'
seed qrcode        '\x86\x01\x1d(k\x04\x001A2\x00\x1d(k\x03\x001C\x04\x1d(k\x03\x001E1\x1d(k\x06\x001P0abc\x1d(k\x03\x001Q0\n'
seed codes2d       '\x87\x01\x1d(k\x05\x000P0ab\x1d(k\x03\x000Q0\x1d(k\x05\x005P0ab\x1d(k\x03\x005Q0\x1d(k\x05\x006P0ab\x1d(k\x03\x006Q0\x1d(k\x03\x002A4\x1d(k\x05\x002P0ab\x1d(k\x03\x002Q0'
seed graphics      '\x88\x00\x1d(L\x0c\x000p0\x01\x021\x08\x00\x02\x00\xf0\x0f\x1d(L\x02\x0002\x1d8L\x0c\x00\x00\x000p0\x02\x011\x08\x00\x02\x00\xaa\x55\x1d(L\x02\x0002'
seed unknown       '\x82\x00\x1bz\x1dz\x1cz\x10z\x07\x1b*\x00\x02\x00\x01\x02\x1d(k\x03\x001C\x03'

# What the client libraries send, as the common 58 mm printer.
for stream in tests/emulator/fixtures/*.bin; do
  { printf '\x90\x01'; cat "$stream"; } >"$seeds/client-$(basename "$stream" .bin)"
done

fuzzer=build-fuzz/emulator/emulator_decoder_fuzz
echo "run-fuzz: fuzzing the decoder for $seconds s"
status=0
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  "$fuzzer" "$corpus" "$seeds" -max_total_time="$seconds" -max_len=8192 -rss_limit_mb=2048 \
  -timeout=20 -print_final_stats=1 -artifact_prefix="$work/crashes/" 2>"$work/log.txt" || status=$?
grep -E "^(#[0-9]+.*(DONE|INITED)|stat::number_of_executed_units|stat::peak_rss_mb)" "$work/log.txt" | tail -4 || true
if [ "$status" -ne 0 ]; then
  echo "run-fuzz: the fuzzer failed (exit $status); see $work/log.txt and $work/crashes/" >&2
  tail -40 "$work/log.txt" >&2
  exit 1
fi
echo "run-fuzz: no crash"
