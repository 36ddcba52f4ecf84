#include "host/PluginRecord.h"
#include "host/HostError.h"
#include "tests/host/plugins/PiPLBuilder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace kvhost {
namespace {

using ::testing::HasSubstr;

std::vector<std::uint8_t> recordOf(const kvtest::PiPLFields& fields) {
    const kvtest::PiPLWriter w = kvtest::writePiPL(fields);
    return std::vector<std::uint8_t>(w.bytes.begin(), w.bytes.begin() + std::ptrdiff_t(w.size));
}

// Offset of the data of the n-th property (0-based), walking the headers as the format lays them out.
std::size_t dataOffset(const std::vector<std::uint8_t>& bytes, int n) {
    std::size_t at = 10;
    for (int i = 0;; ++i) {
        const std::uint32_t length =
            bytes[at + 12] | bytes[at + 13] << 8 | bytes[at + 14] << 16 | bytes[at + 15] << 24;
        if (i == n) {
            return at + 16;
        }
        at += 16 + ((length + 3) & ~3u);
    }
}

std::string parseError(const std::vector<std::uint8_t>& bytes) {
    try {
        PluginRecord::parse(bytes, "effect.so");
    } catch (const HostError& error) {
        return error.what();
    }
    return "parsed";
}

TEST(PluginRecord, ReadsEveryFieldOfAWellFormedRecord) {
    kvtest::PiPLFields fields;
    fields.name = "KV Curves - Absolute";
    fields.category = "Korvane";
    fields.matchName = "TQKV Absolute Curves";
    fields.effectVersion = 0x00083E00;
    fields.outFlags = 0x06008110;
    fields.outFlags2 = 0x00009480;
    fields.specMajor = 12;
    fields.specMinor = 2;
    const std::vector<std::uint8_t> bytes = recordOf(fields);
    ASSERT_EQ(bytes.size(), 310u);

    const PluginRecord r = PluginRecord::parse(bytes, "effect.so");
    EXPECT_EQ(fourCharText(r.kind), "eFKT");
    EXPECT_EQ(r.name, "KV Curves - Absolute");
    EXPECT_EQ(r.category, "Korvane");
    EXPECT_EQ(r.entryPointName, "EntryPointFunc");
    EXPECT_EQ(r.propertyListMajor, 2);
    EXPECT_EQ(r.propertyListMinor, 0);
    EXPECT_EQ(r.specMajor, 12);
    EXPECT_EQ(r.specMinor, 2);
    EXPECT_EQ(r.effectVersion, 0x00083E00u);
    EXPECT_EQ(r.infoFlags, 3);
    EXPECT_EQ(r.outFlags, 0x06008110u);
    EXPECT_EQ(r.outFlags2, 0x00009480u);
    EXPECT_EQ(r.matchName, "TQKV Absolute Curves");
}

TEST(PluginRecord, UnpacksTheEffectVersion) {
    PluginRecord r;
    // major 1 in bits 19-21, minor 0 in 15-18, bugfix 7 in 11-14, stage 3 in 9-10.
    r.effectVersion = (1u << 19) | (0u << 15) | (7u << 11) | (3u << 9);
    EXPECT_EQ(r.effectVersion, 0x00083E00u);
    EXPECT_EQ(r.versionText(), "1.0.7");
    r.effectVersion = (7u << 19) | (15u << 15) | (15u << 11);
    EXPECT_EQ(r.versionText(), "7.15.15");
}

TEST(PluginRecord, FourCharCodesAreStoredByteReversed) {
    const std::vector<std::uint8_t> bytes = recordOf({});
    // The first property's vendor code "8BIM" lies in memory as "MIB8".
    EXPECT_EQ(std::string(bytes.begin() + 10, bytes.begin() + 14), "MIB8");
    EXPECT_EQ(std::string(bytes.begin() + 14, bytes.begin() + 18), "dnik");
}

TEST(PluginRecord, RejectsARecordOfTheWrongSize) {
    std::vector<std::uint8_t> bytes = recordOf({});
    bytes.resize(300);
    EXPECT_EQ(parseError(bytes), "effect.so: registration record is 300 bytes, expected 310");
    bytes.resize(400);
    EXPECT_THAT(parseError(bytes), HasSubstr("400 bytes, expected 310"));
    EXPECT_THAT(parseError({}), HasSubstr("0 bytes"));
}

TEST(PluginRecord, RejectsAPropertyWithoutItsVendorCode) {
    std::vector<std::uint8_t> bytes = recordOf({});
    bytes[dataOffset(bytes, 3) - 16] = 'X';
    EXPECT_THAT(parseError(bytes), HasSubstr("property 3 does not start with 8BIM"));
}

TEST(PluginRecord, RejectsALengthThatRunsPastTheRecord) {
    std::vector<std::uint8_t> bytes = recordOf({});
    const std::size_t lengthAt = dataOffset(bytes, 11) - 4;
    bytes[lengthAt] = 0xFF;
    bytes[lengthAt + 1] = 0xFF;
    EXPECT_THAT(parseError(bytes), HasSubstr("runs past the end of the record"));
    // A length near 2^32 must not wrap the padding arithmetic.
    bytes[lengthAt + 2] = 0xFF;
    bytes[lengthAt + 3] = 0xFF;
    EXPECT_THAT(parseError(bytes), HasSubstr("runs past the end of the record"));
}

TEST(PluginRecord, RejectsAPascalStringLongerThanItsProperty) {
    std::vector<std::uint8_t> bytes = recordOf({});
    bytes[dataOffset(bytes, 1)] = 200; // the name's length byte
    EXPECT_THAT(parseError(bytes), HasSubstr("name text longer than its property"));
}

TEST(PluginRecord, RejectsAnUnterminatedEntryPointName) {
    kvtest::PiPLFields fields;
    fields.entryPoint = "EntryPointFunc12"; // 16 characters fill the 16-byte property: no NUL
    EXPECT_THAT(parseError(recordOf(fields)), HasSubstr("wx86 text is not terminated"));
}

TEST(PluginRecord, RejectsAMissingProperty) {
    std::vector<std::uint8_t> bytes = recordOf({});
    // Rename the match-name key: the record then has no eMNA.
    bytes[dataOffset(bytes, 10) - 12] = 'x';
    EXPECT_THAT(parseError(bytes), HasSubstr("no eMNA property"));
}

TEST(PluginRecord, RejectsAKindOtherThanAnEffect) {
    std::vector<std::uint8_t> bytes = recordOf({});
    bytes[dataOffset(bytes, 0)] = 'X';
    EXPECT_THAT(parseError(bytes), HasSubstr("expected eFKT"));
}

TEST(PluginRecord, RejectsAWrongPropertyCount) {
    std::vector<std::uint8_t> bytes = recordOf({});
    bytes[6] = 11;
    EXPECT_THAT(parseError(bytes), HasSubstr("11 properties, expected 12"));
}

} // namespace
} // namespace kvhost
