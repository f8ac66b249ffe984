// One symbol encoded by libzint, owned for its lifetime. Options are set on the library's own
// record before Encode; the library reports failure by return code and a message, both kept for
// the trace.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct zint_symbol;

namespace emu {

class ZintSymbol {
  public:
    explicit ZintSymbol(int symbology);
    ~ZintSymbol();
    ZintSymbol(const ZintSymbol&) = delete;
    ZintSymbol& operator=(const ZintSymbol&) = delete;

    zint_symbol& Options() { return *m_symbol; }

    // False, with Error() saying why, when the library rejects the data or the options.
    bool Encode(const std::uint8_t* data, std::size_t length);
    // Renders the encoded symbol as a bitmap at the given scale (for symbols whose modules are
    // not squares, such as MaxiCode's hexagons).
    bool Render(float scale);

    int Rows() const;
    int Columns() const;
    bool Dark(int row, int column) const;
    // A row's height in modules as the symbology fixes it; 0 where it leaves it to the printer.
    int RowHeight(int row) const;
    int BitmapWidth() const;
    int BitmapHeight() const;
    bool BitmapDark(int x, int y) const;
    std::string Text() const;  // the human-readable text the library derived, UTF-8
    std::string Error() const;

  private:
    zint_symbol* m_symbol;
    bool m_encoded = false;
};

}  // namespace emu
