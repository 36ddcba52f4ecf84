#include "host/PluginRecord.h"

#include "host/HostError.h"
#include "hostapi/PF_EntryPoint.h"

#include <cstring>
#include <map>

namespace kvhost {

namespace {

class RecordReader {
public:
    RecordReader(const std::vector<std::uint8_t>& bytes, const std::string& path)
        : bytes_(bytes), path_(path) {}

    std::size_t position() const { return position_; }
    std::size_t remaining() const { return bytes_.size() - position_; }

    std::uint32_t u32() { return std::uint32_t(take(4)); }
    std::uint16_t u16() { return std::uint16_t(take(2)); }

    void skip(std::size_t count) {
        need(count);
        position_ += count;
    }

    [[noreturn]] void fail(const std::string& what) const {
        throw HostError(path_ + ": damaged registration record: " + what);
    }

private:
    void need(std::size_t count) const {
        if (count > remaining()) {
            fail("ends inside a property");
        }
    }
    // Little-endian, as the record stores every integer.
    std::uint64_t take(std::size_t count) {
        need(count);
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < count; ++i) {
            value |= std::uint64_t(bytes_[position_ + i]) << (8 * i);
        }
        position_ += count;
        return value;
    }

    const std::vector<std::uint8_t>& bytes_;
    const std::string& path_;
    std::size_t position_ = 0;
};

struct Property {
    const std::uint8_t* data;
    std::size_t length;
};

std::uint32_t dataU32(const Property& p) {
    return std::uint32_t(p.data[0]) | std::uint32_t(p.data[1]) << 8 | std::uint32_t(p.data[2]) << 16 |
           std::uint32_t(p.data[3]) << 24;
}

std::uint16_t dataU16(const Property& p, std::size_t at) {
    return std::uint16_t(p.data[at] | p.data[at + 1] << 8);
}

} // namespace

std::string fourCharText(A_u_long code) {
    std::string text(4, ' ');
    for (int i = 0; i < 4; ++i) {
        const char c = char((code >> (24 - 8 * i)) & 0xFF);
        text[std::size_t(i)] = (c >= 0x20 && c < 0x7F) ? c : '?';
    }
    return text;
}

std::string PluginRecord::versionText() const {
    return std::to_string(versionMajor()) + "." + std::to_string(versionMinor()) + "." +
           std::to_string(versionBugfix());
}

PluginRecord PluginRecord::parse(const std::vector<std::uint8_t>& bytes, const std::string& path) {
    if (bytes.size() != kPiPLRecordSize) {
        throw HostError(path + ": registration record is " + std::to_string(bytes.size()) +
                        " bytes, expected " + std::to_string(kPiPLRecordSize));
    }
    RecordReader reader(bytes, path);
    const auto version = A_short(reader.u16());
    if (version != kPiPLVersion) {
        reader.fail("version " + std::to_string(version) + ", expected " + std::to_string(kPiPLVersion));
    }
    reader.skip(4);
    const std::uint32_t count = reader.u32();
    if (count != std::uint32_t(kPiPLPropertyCount)) {
        reader.fail(std::to_string(count) + " properties, expected " + std::to_string(kPiPLPropertyCount));
    }
    std::map<A_u_long, Property> properties;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (reader.u32() != kPiPLVendor) {
            reader.fail("property " + std::to_string(i) + " does not start with 8BIM");
        }
        const A_u_long key = reader.u32();
        reader.skip(4);
        const std::uint32_t length = reader.u32();
        const std::size_t padded = (std::size_t(length) + 3) & ~std::size_t(3);
        if (padded > reader.remaining()) {
            reader.fail("property " + fourCharText(key) + " runs past the end of the record");
        }
        properties[key] = Property{bytes.data() + reader.position(), length};
        reader.skip(padded);
    }

    auto property = [&](A_u_long key, std::size_t minLength) -> const Property& {
        const auto found = properties.find(key);
        if (found == properties.end()) {
            reader.fail("no " + fourCharText(key) + " property");
        }
        if (found->second.length < minLength) {
            reader.fail(fourCharText(key) + " property too short");
        }
        return found->second;
    };
    // A length byte, the characters, a NUL.
    auto pascalString = [&](A_u_long key) {
        const Property& p = property(key, 1);
        const std::size_t length = p.data[0];
        if (length + 1 > p.length) {
            reader.fail(fourCharText(key) + " text longer than its property");
        }
        return std::string(reinterpret_cast<const char*>(p.data + 1), length);
    };
    auto cString = [&](A_u_long key) {
        const Property& p = property(key, 1);
        const auto* text = reinterpret_cast<const char*>(p.data);
        const std::size_t length = strnlen(text, p.length);
        if (length == p.length) {
            reader.fail(fourCharText(key) + " text is not terminated");
        }
        return std::string(text, length);
    };

    PluginRecord record;
    record.kind = dataU32(property(kPiPLKeyKind, 4));
    record.name = pascalString(kPiPLKeyName);
    record.category = pascalString(kPiPLKeyCategory);
    record.entryPointName = cString(kPiPLKeyEntryPoint);
    const Property& listVersion = property(kPiPLKeyPiPLVersion, 4);
    record.propertyListMajor = A_short(dataU16(listVersion, 0));
    record.propertyListMinor = A_short(dataU16(listVersion, 2));
    const Property& specVersion = property(kPiPLKeySpecVersion, 4);
    record.specMajor = A_short(dataU16(specVersion, 0));
    record.specMinor = A_short(dataU16(specVersion, 2));
    record.effectVersion = dataU32(property(kPiPLKeyEffectVersion, 4));
    record.infoFlags = A_short(dataU16(property(kPiPLKeyInfoFlags, 2), 0));
    record.outFlags = dataU32(property(kPiPLKeyOutFlags, 4));
    record.outFlags2 = dataU32(property(kPiPLKeyOutFlags2, 4));
    record.matchName = pascalString(kPiPLKeyMatchName);
    record.reserved = dataU32(property(kPiPLKeyReserved, 4));
    if (record.kind != kPiPLKindEffect) {
        reader.fail("kind " + fourCharText(record.kind) + ", expected eFKT");
    }
    if (record.entryPointName.empty()) {
        reader.fail("empty entry point name");
    }
    return record;
}

} // namespace kvhost
