#include "emulator/barcodes/ZintSymbol.h"

#include <zint.h>

#include <climits>
#include <new>

namespace emu {

ZintSymbol::ZintSymbol(int symbology) : m_symbol(ZBarcode_Create()) {
    if (!m_symbol) throw std::bad_alloc();
    m_symbol->symbology = symbology;
    m_symbol->show_hrt = 1;
}

ZintSymbol::~ZintSymbol() { ZBarcode_Delete(m_symbol); }

bool ZintSymbol::Encode(const std::uint8_t* data, std::size_t length) {
    if (length == 0 || length > INT_MAX) {
        m_encoded = false;
        return false;
    }
    m_encoded = ZBarcode_Encode(m_symbol, data, static_cast<int>(length)) < ZINT_ERROR;
    return m_encoded;
}

bool ZintSymbol::Render(float scale) {
    if (!m_encoded) return false;
    m_symbol->scale = scale;
    m_symbol->show_hrt = 0;
    return ZBarcode_Buffer(m_symbol, 0) < ZINT_ERROR && m_symbol->bitmap;
}

int ZintSymbol::Rows() const { return m_encoded ? m_symbol->rows : 0; }
int ZintSymbol::Columns() const { return m_encoded ? m_symbol->width : 0; }

bool ZintSymbol::Dark(int row, int column) const {
    return (m_symbol->encoded_data[row][column >> 3] >> (column & 7)) & 1;
}

int ZintSymbol::RowHeight(int row) const {
    return static_cast<int>(m_symbol->row_height[row] + 0.5f);
}

int ZintSymbol::BitmapWidth() const { return m_symbol->bitmap ? m_symbol->bitmap_width : 0; }
int ZintSymbol::BitmapHeight() const { return m_symbol->bitmap ? m_symbol->bitmap_height : 0; }

// The bitmap holds one RGB triple per pixel; foreground is black.
bool ZintSymbol::BitmapDark(int x, int y) const {
    return m_symbol->bitmap[(static_cast<std::size_t>(y) * m_symbol->bitmap_width + x) * 3] < 128;
}

std::string ZintSymbol::Text() const { return reinterpret_cast<const char*>(m_symbol->text); }

std::string ZintSymbol::Error() const {
    return m_symbol->errtxt[0] ? std::string(m_symbol->errtxt) : std::string("no data");
}

}  // namespace emu
