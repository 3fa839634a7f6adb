#include "platform/imageio/ExifWriter.h"

#include <libexif/exif-data.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace platform {
namespace {

constexpr ExifTag kGpsVersionId = ExifTag(0x0000);
constexpr ExifTag kGpsLatitudeRef = ExifTag(0x0001);
constexpr ExifTag kGpsLatitude = ExifTag(0x0002);
constexpr ExifTag kGpsLongitudeRef = ExifTag(0x0003);
constexpr ExifTag kGpsLongitude = ExifTag(0x0004);

void removeTag(ExifData* ed, ExifIfd ifd, ExifTag tag) {
    while (ExifEntry* e = exif_content_get_entry(ed->ifd[ifd], tag)) exif_content_remove_entry(ed->ifd[ifd], e);
}

// Entries are made by hand: libexif's tag table would take the GPS tag numbers for the
// interoperability tags that share them, and give them the wrong formats.
ExifEntry* addEntry(ExifData* ed, ExifIfd ifd, ExifTag tag, ExifFormat format, unsigned long components) {
    removeTag(ed, ifd, tag);
    ExifMem* mem = exif_mem_new_default();
    if (!mem) return nullptr;
    ExifEntry* e = exif_entry_new_mem(mem);
    const unsigned size = exif_format_get_size(format) * unsigned(components);
    void* data = e ? exif_mem_alloc(mem, size) : nullptr;
    if (!e || !data) {
        if (e) exif_entry_unref(e);
        exif_mem_unref(mem);
        return nullptr;
    }
    std::memset(data, 0, size);
    e->data = static_cast<unsigned char*>(data);
    e->size = size;
    e->tag = tag;
    e->format = format;
    e->components = components;
    exif_content_add_entry(ed->ifd[ifd], e);
    exif_entry_unref(e);  // the IFD holds it now
    exif_mem_unref(mem);
    return e;
}

bool setShort(ExifData* ed, ExifIfd ifd, ExifTag tag, uint16_t v) {
    ExifEntry* e = addEntry(ed, ifd, tag, EXIF_FORMAT_SHORT, 1);
    if (!e) return false;
    exif_set_short(e->data, exif_data_get_byte_order(ed), v);
    return true;
}

bool setLong(ExifData* ed, ExifIfd ifd, ExifTag tag, uint32_t v) {
    ExifEntry* e = addEntry(ed, ifd, tag, EXIF_FORMAT_LONG, 1);
    if (!e) return false;
    exif_set_long(e->data, exif_data_get_byte_order(ed), v);
    return true;
}

// Four bytes of type UNDEFINED (versions, components configuration).
bool setUndefined(ExifData* ed, ExifIfd ifd, ExifTag tag, const char* v) {
    ExifEntry* e = addEntry(ed, ifd, tag, EXIF_FORMAT_UNDEFINED, 4);
    if (!e) return false;
    std::memcpy(e->data, v, 4);
    return true;
}

bool setAscii(ExifData* ed, ExifIfd ifd, ExifTag tag, const char* s) {
    const size_t n = std::strlen(s) + 1;  // with the terminating NUL
    ExifEntry* e = addEntry(ed, ifd, tag, EXIF_FORMAT_ASCII, n);
    if (!e) return false;
    std::memcpy(e->data, s, n);
    return true;
}

bool setCoordinate(ExifData* ed, ExifTag tag, double degrees) {
    ExifEntry* e = addEntry(ed, EXIF_IFD_GPS, tag, EXIF_FORMAT_RATIONAL, 3);
    if (!e) return false;
    const ExifWriter::Dms d = ExifWriter::toDms(degrees);
    const ExifByteOrder o = exif_data_get_byte_order(ed);
    const ExifRational parts[3] = {{d.degrees, 1}, {d.minutes, 1}, {d.secondsTimes10000, 10000}};
    for (int i = 0; i < 3; ++i) exif_set_rational(e->data + 8 * i, o, parts[i]);
    return true;
}

}  // namespace

ExifWriter::Dms ExifWriter::toDms(double degrees) {
    double v = std::fabs(degrees);
    if (!std::isfinite(v) || v > 180) v = 0;
    // Work in ten-thousandths of a second so that rounding carries into minutes and degrees.
    const uint64_t units = uint64_t(std::llround(v * 3600.0 * 10000.0));
    const uint64_t perMinute = 60ull * 10000, perDegree = 60ull * perMinute;
    return {uint32_t(units / perDegree), uint32_t(units % perDegree / perMinute), uint32_t(units % perMinute)};
}

std::vector<uint8_t> ExifWriter::app1(const ImageProperties& p, int imageWidth, int imageHeight, bool grey) {
    ExifData* ed = exif_data_new();
    if (!ed) return {};
    exif_data_set_byte_order(ed, EXIF_BYTE_ORDER_INTEL);
    exif_data_set_data_type(ed, EXIF_DATA_TYPE_COMPRESSED);
    // The entries a reader requires: resolution, YCbCr positioning, versions, colour space,
    // components. It also makes zero PixelX/YDimension entries; those go, ours replace them.
    exif_data_fix(ed);
    removeTag(ed, EXIF_IFD_EXIF, EXIF_TAG_PIXEL_X_DIMENSION);
    removeTag(ed, EXIF_IFD_EXIF, EXIF_TAG_PIXEL_Y_DIMENSION);
    exif_data_unset_option(ed, EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);  // no second fix on save

    bool ok = setUndefined(ed, EXIF_IFD_EXIF, EXIF_TAG_EXIF_VERSION, "0220") &&
              setShort(ed, EXIF_IFD_EXIF, EXIF_TAG_COLOR_SPACE, 1) &&  // sRGB
              setUndefined(ed, EXIF_IFD_EXIF, EXIF_TAG_COMPONENTS_CONFIGURATION,
                           grey ? "\1\0\0" : "\1\2\3");  // Y only, or Y Cb Cr
    if (ok && p.orientation && *p.orientation >= 1 && *p.orientation <= 8)
        ok = setShort(ed, EXIF_IFD_0, EXIF_TAG_ORIENTATION, uint16_t(*p.orientation));
    const int w = p.pixelWidth && *p.pixelWidth > 0 ? *p.pixelWidth : imageWidth;
    const int h = p.pixelHeight && *p.pixelHeight > 0 ? *p.pixelHeight : imageHeight;
    if (ok && w > 0) ok = setLong(ed, EXIF_IFD_EXIF, EXIF_TAG_PIXEL_X_DIMENSION, uint32_t(w));
    if (ok && h > 0) ok = setLong(ed, EXIF_IFD_EXIF, EXIF_TAG_PIXEL_Y_DIMENSION, uint32_t(h));
    if (ok && p.gps) {
        const GpsProperties& g = *p.gps;
        const char* latRef = g.latitudeRef == "S" ? "S" : "N";
        const char* lonRef = g.longitudeRef == "W" ? "W" : "E";
        ExifEntry* v = addEntry(ed, EXIF_IFD_GPS, kGpsVersionId, EXIF_FORMAT_BYTE, 4);
        ok = v != nullptr;
        if (ok) {
            const unsigned char version[4] = {2, 2, 0, 0};
            std::memcpy(v->data, version, 4);
        }
        ok = ok && setAscii(ed, EXIF_IFD_GPS, kGpsLatitudeRef, latRef) && setCoordinate(ed, kGpsLatitude, g.latitude) &&
             setAscii(ed, EXIF_IFD_GPS, kGpsLongitudeRef, lonRef) && setCoordinate(ed, kGpsLongitude, g.longitude);
    }
    std::vector<uint8_t> out;
    if (ok) {
        unsigned char* buf = nullptr;
        unsigned int len = 0;
        exif_data_save_data(ed, &buf, &len);
        if (buf && len > 0) out.assign(buf, buf + len);
        std::free(buf);
    }
    exif_data_unref(ed);
    return out;
}

}  // namespace platform
