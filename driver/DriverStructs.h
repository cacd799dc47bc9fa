// The driver's structures as byte buffers with named fields.
//
// The program never includes the driver's own headers; each structure here is
// a zeroed buffer as large as its largest version, and each field the program
// reads or writes is an accessor at the byte offset the driver uses, all
// little-endian. The first word is the structure version: the size in bytes
// with the version number in the high 16 bits. Offsets of fixed fields are
// checked against the buffer at compile time; indexed entries (fans, curve
// points, P-states) read 0 and ignore writes outside the buffer.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace vt {

constexpr std::uint32_t structVersion(std::uint32_t size, std::uint32_t number) { return size | (number << 16); }
constexpr std::uint32_t structSize(std::uint32_t versionWord) { return versionWord & 0xFFFF; }
constexpr std::uint32_t structVersionNumber(std::uint32_t versionWord) { return versionWord >> 16; }

template <std::size_t Capacity>
class DriverStruct {
public:
    static constexpr std::size_t capacity = Capacity;

    explicit DriverStruct(std::uint32_t versionWord) { setVersion(versionWord); }

    std::uint32_t version() const { return u32<0>(); }
    void setVersion(std::uint32_t versionWord) { setU32<0>(versionWord); }
    // A word that claims more bytes than the buffer holds must never reach
    // the driver: it would write past the end.
    bool versionFits() const { return structSize(version()) <= Capacity; }

    void* data() { return bytes_.data(); }
    const std::uint8_t* bytes() const { return bytes_.data(); }

protected:
    template <std::size_t Offset>
    std::uint32_t u32() const {
        static_assert(Offset + 4 <= Capacity, "field outside the structure");
        return u32At(Offset);
    }
    template <std::size_t Offset>
    std::int32_t i32() const {
        return static_cast<std::int32_t>(u32<Offset>());
    }
    template <std::size_t Offset>
    std::uint8_t u8() const {
        static_assert(Offset < Capacity, "field outside the structure");
        return bytes_[Offset];
    }
    template <std::size_t Offset>
    void setU32(std::uint32_t value) {
        static_assert(Offset + 4 <= Capacity, "field outside the structure");
        setU32At(Offset, value);
    }
    template <std::size_t Offset>
    void setI32(std::int32_t value) {
        setU32<Offset>(static_cast<std::uint32_t>(value));
    }
    template <std::size_t Offset>
    void setU8(std::uint8_t value) {
        static_assert(Offset < Capacity, "field outside the structure");
        bytes_[Offset] = value;
    }

    std::uint32_t u32At(std::size_t offset) const {
        if (offset + 4 > Capacity) return 0;
        std::uint8_t b[4];
        std::memcpy(b, bytes_.data() + offset, 4);
        return std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 | std::uint32_t(b[3]) << 24;
    }
    std::int32_t i32At(std::size_t offset) const { return static_cast<std::int32_t>(u32At(offset)); }
    void setU32At(std::size_t offset, std::uint32_t value) {
        if (offset + 4 > Capacity) return;
        const std::uint8_t b[4] = {std::uint8_t(value), std::uint8_t(value >> 8), std::uint8_t(value >> 16),
                                   std::uint8_t(value >> 24)};
        std::memcpy(bytes_.data() + offset, b, 4);
    }
    void setI32At(std::size_t offset, std::int32_t value) { setU32At(offset, static_cast<std::uint32_t>(value)); }
    std::uint8_t u8At(std::size_t offset) const { return offset < Capacity ? bytes_[offset] : 0; }
    void setU8At(std::size_t offset, std::uint8_t value) {
        if (offset < Capacity) bytes_[offset] = value;
    }

private:
    alignas(8) std::array<std::uint8_t, Capacity> bytes_{};
};

// --- identity ----------------------------------------------------------------

// The zero-terminated marketing name the driver writes into 64 bytes.
struct GpuFullName {
    char text[64] = {};
    // Up to the terminator, or all 64 bytes when the driver left none.
    std::string str() const {
        const void* end = std::memchr(text, 0, sizeof text);
        return std::string(text, end ? static_cast<const char*>(end) - text : sizeof text);
    }
};

struct PciIdentifiers {
    std::uint32_t deviceId = 0;  // PCI device in the high 16 bits, vendor 0x10DE in the low 16 bits
    std::uint32_t subsystemId = 0;
    std::uint32_t revisionId = 0;
    std::uint32_t extDeviceId = 0;
};

// --- clocks and temperature ------------------------------------------------

enum class ClockType : std::uint32_t { Current = 0, Base = 1, Boost = 2 };

struct ClockFrequencies : DriverStruct<264> {
    static constexpr std::uint32_t Versions[] = {0x30108, 0x20108, 0x10108};
    static constexpr std::uint32_t GraphicsDomain = 0;
    static constexpr std::uint32_t MemoryDomain = 4;
    static constexpr std::uint32_t DomainCount = 32;

    explicit ClockFrequencies(std::uint32_t version = Versions[0], ClockType type = ClockType::Current)
        : DriverStruct(version) {
        setClockType(type);
    }
    ClockType clockType() const { return static_cast<ClockType>(u32<4>() & 0xF); }
    // The clock type is the low four bits of the second word.
    void setClockType(ClockType type) { setU32<4>((u32<4>() & ~0xFu) | (static_cast<std::uint32_t>(type) & 0xF)); }
    bool domainPresent(std::uint32_t domain) const { return domain < DomainCount && (u32At(8 + 8 * domain) & 1); }
    std::uint32_t domainKHz(std::uint32_t domain) const { return domain < DomainCount ? u32At(12 + 8 * domain) : 0; }
    std::uint32_t graphicsKHz() const { return u32<12>(); }
    std::uint32_t memoryKHz() const { return u32<44>(); }
};

struct ThermalSettings : DriverStruct<68> {
    static constexpr std::uint32_t Versions[] = {0x20044, 0x10044};

    explicit ThermalSettings(std::uint32_t version = Versions[0]) : DriverStruct(version) {}
    std::uint32_t sensorCount() const { return u32<4>(); }
    std::int32_t sensor0Temperature() const { return i32<20>(); }  // degrees C
};

struct GpuUsages : DriverStruct<136> {
    static constexpr std::uint32_t Version = 0x10088;

    explicit GpuUsages(std::uint32_t version = Version) : DriverStruct(version) {}
    std::uint32_t load() const { return u32<12>(); }  // %
};

// --- performance states ----------------------------------------------------

// The P-state table: up to 16 P-states of 456 bytes from +20, each with up to
// eight clock entries of 44 bytes from +28 and four base voltages; versions 2
// and 3 add the over-voltage entries from +7316.
struct Pstates20 : DriverStruct<7416> {
    static constexpr std::uint32_t Versions[] = {0x31CF8, 0x21CF8, 0x11C94};
    static constexpr std::uint32_t GraphicsDomain = 0;
    static constexpr std::uint32_t MemoryDomain = 4;
    static constexpr std::uint32_t CoreVoltageDomain = 0;
    static constexpr std::size_t MaxPstates = 16;
    static constexpr std::size_t MaxClocks = 8;
    static constexpr std::size_t MaxVoltages = 4;

    explicit Pstates20(std::uint32_t version = Versions[0]) : DriverStruct(version) {}

    std::uint32_t pstateCount() const { return u32<8>(); }
    std::uint32_t clockCount() const { return u32<12>(); }
    std::uint32_t baseVoltageCount() const { return u32<16>(); }
    std::uint32_t pstateId(std::size_t pstate) const { return inTable(pstate) ? u32At(pstateAt(pstate)) : 0; }
    // The id of the last P-state the driver lists; -1 when it lists none.
    std::int32_t lastPstateId() const {
        const std::uint32_t count = pstateCount();
        if (count == 0 || count > MaxPstates) return -1;
        return static_cast<std::int32_t>(pstateId(count - 1));
    }

    std::uint32_t clockDomain(std::size_t pstate, std::size_t clock) const { return u32At(clockAt(pstate, clock)); }
    std::int32_t clockDelta(std::size_t pstate, std::size_t clock) const { return i32At(clockAt(pstate, clock) + 12); }
    std::int32_t clockDeltaMin(std::size_t pstate, std::size_t clock) const { return i32At(clockAt(pstate, clock) + 16); }
    std::int32_t clockDeltaMax(std::size_t pstate, std::size_t clock) const { return i32At(clockAt(pstate, clock) + 20); }

    // P-state 0: entry 0 is the graphics clock, entry 1 the memory clock (kHz).
    std::int32_t graphicsDelta() const { return i32<40>(); }
    std::int32_t graphicsDeltaMin() const { return i32<44>(); }
    std::int32_t graphicsDeltaMax() const { return i32<48>(); }
    std::int32_t memoryDelta() const { return i32<84>(); }
    std::int32_t memoryDeltaMin() const { return i32<88>(); }
    std::int32_t memoryDeltaMax() const { return i32<92>(); }

    // The core voltage entry (µV).
    std::uint32_t voltageCount() const { return u32<7316>(); }
    std::int32_t coreVoltageDelta() const { return i32<7332>(); }
    std::int32_t coreVoltageDeltaMin() const { return i32<7336>(); }
    std::int32_t coreVoltageDeltaMax() const { return i32<7340>(); }

    // A request for one clock of P-state 0: the read of the ranges names the
    // domain it wants, the write adds the delta in kHz.
    void selectClock(std::uint32_t domain) {
        setU32<8>(1);
        setU32<12>(1);
        setU32<16>(0);
        setU32<20>(0);
        setU32<28>(domain);
    }
    void requestClockDelta(std::uint32_t domain, std::int32_t deltaKHz) {
        selectClock(domain);
        setI32<40>(deltaKHz);
    }
    // A request that changes only the core voltage delta (µV).
    void requestCoreVoltageDelta(std::int32_t deltaMicrovolts) {
        setU32<8>(0);
        setU32<12>(0);
        setU32<16>(0);
        setU32<7316>(1);
        setU32<7320>(CoreVoltageDomain);
        setI32<7332>(deltaMicrovolts);
    }

private:
    static bool inTable(std::size_t pstate) { return pstate < MaxPstates; }
    static std::size_t pstateAt(std::size_t pstate) { return 20 + 456 * pstate; }
    static std::size_t clockAt(std::size_t pstate, std::size_t clock) {
        return inTable(pstate) && clock < MaxClocks ? 28 + 456 * pstate + 44 * clock : capacity;
    }
};

// --- power and thermal policies --------------------------------------------
//
// A driver that takes only an older version word answers in that word's own
// layout: the fields stand elsewhere than in the newest one. Each structure
// has a table of layouts, newest first, which is also the order the versions
// are probed in; a word the table does not know is read at the newest
// layout's offsets.

template <class Layout, std::size_t Count>
constexpr const Layout& layoutOf(const Layout (&layouts)[Count], std::uint32_t versionWord) {
    for (const Layout& layout : layouts) {
        if (layout.version == versionWord) return layout;
    }
    return layouts[0];
}

struct PowerInfoLayout {
    std::uint32_t version;
    std::size_t minimum;  // 1/1000 %
    std::size_t maximum;
};
inline constexpr PowerInfoLayout PowerInfoLayouts[] = {
    {0x208C8, 24, 48},
    {0x100B8, 20, 44},  // entries of 44 bytes from +8: minimum +12, maximum +36 in the first
};

struct PowerStatusLayout {
    std::uint32_t version;
    bool byteCount;      // the entry count is one byte (else a word) at +4
    std::size_t policy;  // the first entry's policy id
    std::size_t flags;   // 0: the layout has no flag word
    std::size_t limit;   // 1/1000 %
};
inline constexpr PowerStatusLayout PowerStatusLayouts[] = {
    {0x20558, true, 8, 16, 20},
    {0x10048, false, 8, 0, 16},  // entries of 16 bytes from +8
};

struct ThermalInfoLayout {
    std::uint32_t version;
    bool validBit;      // bit 0 of +4 says valid (else a count of at least 1 does)
    std::size_t count;  // one byte
    std::size_t controller;
    std::size_t minimum;  // 1/256 degrees C
    std::size_t defaultLimit;
    std::size_t maximum;
};
inline constexpr ThermalInfoLayout ThermalInfoLayouts[] = {
    {0x30578, true, 5, 8, 20, 24, 28},
    {0x20068, false, 4, 8, 16, 20, 24},  // entries of 24 bytes from +8; +5 holds flags
    {0x10058, true, 5, 8, 20, 24, 28},
};

struct ThermalLimitLayout {
    std::uint32_t version;
    bool byteCount;  // one byte at +4, else a word
    std::size_t controller;
    std::size_t limit;  // 1/256 degrees C
};
inline constexpr ThermalLimitLayout ThermalLimitLayouts[] = {
    {0x30548, true, 8, 16},
    {0x20038, false, 8, 12},  // entries of 12 bytes from +8
    {0x10028, true, 8, 16},
};

// Every field of every layout lies inside its structure's version size.
template <class Layout, std::size_t Count, class Fields>
constexpr bool layoutsFit(const Layout (&layouts)[Count], Fields fields) {
    for (const Layout& layout : layouts) {
        if (fields(layout) + 4 > structSize(layout.version)) return false;
    }
    return true;
}
static_assert(layoutsFit(PowerInfoLayouts, [](const PowerInfoLayout& l) { return l.maximum; }));
static_assert(layoutsFit(PowerStatusLayouts, [](const PowerStatusLayout& l) { return l.limit; }));
static_assert(layoutsFit(ThermalInfoLayouts, [](const ThermalInfoLayout& l) { return l.maximum; }));
static_assert(layoutsFit(ThermalLimitLayouts, [](const ThermalLimitLayout& l) { return l.limit; }));

struct PowerPolicyInfo : DriverStruct<2248> {
    static constexpr std::uint32_t Versions[] = {PowerInfoLayouts[0].version, PowerInfoLayouts[1].version};

    explicit PowerPolicyInfo(std::uint32_t version = Versions[0]) : DriverStruct(version) {}
    std::uint32_t minimumLimit() const { return u32At(layout().minimum); }  // 1/1000 %
    std::uint32_t maximumLimit() const { return u32At(layout().maximum); }

private:
    const PowerInfoLayout& layout() const { return layoutOf(PowerInfoLayouts, version()); }
};

struct PowerPolicyStatus : DriverStruct<1368> {
    static constexpr std::uint32_t Versions[] = {PowerStatusLayouts[0].version, PowerStatusLayouts[1].version};

    explicit PowerPolicyStatus(std::uint32_t version = Versions[0]) : DriverStruct(version) {}
    std::uint32_t entryCount() const { return layout().byteCount ? u8At(4) : u32At(4); }
    std::uint32_t policyId() const { return u32At(layout().policy); }
    std::uint32_t flags() const { return layout().flags != 0 ? u32At(layout().flags) : 0; }
    std::uint32_t currentLimit() const { return u32At(layout().limit); }  // 1/1000 %
    // One entry, policy 0, flag bit 0 clear (where there is a flag word), the new limit.
    void requestLimit(std::uint32_t limit) {
        const PowerStatusLayout& at = layout();
        if (at.byteCount) {
            setU8At(4, 1);
        } else {
            setU32At(4, 1);
        }
        setU32At(at.policy, 0);
        if (at.flags != 0) setU32At(at.flags, u32At(at.flags) & ~1u);
        setU32At(at.limit, limit);
    }

private:
    const PowerStatusLayout& layout() const { return layoutOf(PowerStatusLayouts, version()); }
};

struct ThermalPolicyInfo : DriverStruct<1400> {
    static constexpr std::uint32_t Versions[] = {ThermalInfoLayouts[0].version, ThermalInfoLayouts[1].version,
                                                 ThermalInfoLayouts[2].version};

    explicit ThermalPolicyInfo(std::uint32_t version = Versions[0]) : DriverStruct(version) {}
    bool valid() const { return layout().validBit ? (u8At(4) & 1) != 0 : count() >= 1; }
    std::uint8_t count() const { return u8At(layout().count); }
    std::uint32_t controller() const { return u32At(layout().controller); }
    std::int32_t minimumLimit() const { return i32At(layout().minimum); }  // 1/256 degrees C
    std::int32_t defaultLimit() const { return i32At(layout().defaultLimit); }
    std::int32_t maximumLimit() const { return i32At(layout().maximum); }

private:
    const ThermalInfoLayout& layout() const { return layoutOf(ThermalInfoLayouts, version()); }
};

struct ThermalPolicyLimit : DriverStruct<1352> {
    static constexpr std::uint32_t Versions[] = {ThermalLimitLayouts[0].version, ThermalLimitLayouts[1].version,
                                                 ThermalLimitLayouts[2].version};
    static constexpr std::uint32_t GpuController = 1;

    explicit ThermalPolicyLimit(std::uint32_t version = Versions[0]) : DriverStruct(version) {}
    std::uint32_t count() const { return layout().byteCount ? u8At(4) : u32At(4); }
    std::uint32_t controller() const { return u32At(layout().controller); }
    std::int32_t currentLimit() const { return i32At(layout().limit); }  // 1/256 degrees C
    // A read names the policy the info reported.
    void selectPolicyOf(const ThermalPolicyInfo& info) {
        setCount(info.count());
        setU32At(layout().controller, info.controller());
    }
    void requestLimit(std::int32_t limit) {
        setCount(1);
        setU32At(layout().controller, GpuController);
        setI32At(layout().limit, limit);
    }

private:
    const ThermalLimitLayout& layout() const { return layoutOf(ThermalLimitLayouts, version()); }
    void setCount(std::uint32_t count) {
        if (layout().byteCount) {
            setU8At(4, static_cast<std::uint8_t>(count));
        } else {
            setU32At(4, count);
        }
    }
};

// --- fans ----------------------------------------------------------------------

// The older cooler interface; the program reads cooler 0 only.
struct CoolerSettings : DriverStruct<1368> {
    static constexpr std::uint32_t Versions[] = {0x40558, 0x30508, 0x203C8, 0x103C8, 0x10098};
    static constexpr std::uint32_t PolicyManual = 1;

    explicit CoolerSettings(std::uint32_t version = Versions[0]) : DriverStruct(version) {}
    std::int32_t currentMinimum() const { return i32<24>(); }  // %
    std::int32_t currentMaximum() const { return i32<28>(); }
    std::int32_t currentLevel() const { return i32<32>(); }
    std::uint32_t currentPolicy() const { return u32<40>(); }
    std::int32_t rpm() const { return i32<56>(); }
    // Versions 4 and 3 only; older layouts have no such byte.
    bool hasRpmAvailableByte() const { return structVersionNumber(version()) >= 3; }
    std::uint8_t rpmAvailable() const { return hasRpmAvailableByte() ? u8<60>() : 0; }
};

struct CoolerLevels : DriverStruct<164> {
    static constexpr std::uint32_t Versions[] = {0x100A4, 0x1001C};

    explicit CoolerLevels(std::uint32_t version = Versions[0]) : DriverStruct(version) {}
    std::int32_t level() const { return i32<4>(); }
    std::uint32_t policy() const { return u32<8>(); }
    void request(std::int32_t levelPercent, std::uint32_t policy) {
        setI32<4>(levelPercent);
        setU32<8>(policy);
    }
};

// The newer per-fan interface: fan entries of 52 bytes from +40.
struct FanCoolerStatus : DriverStruct<1704> {
    static constexpr std::uint32_t Version = 0x106A8;
    static constexpr std::size_t MaxFans = 32;

    explicit FanCoolerStatus(std::uint32_t version = Version) : DriverStruct(version) {}
    std::uint8_t fanCount() const { return u8<4>(); }
    std::uint32_t coolerId(std::size_t fan) const { return u32At(fanAt(fan)); }
    std::int32_t rpm(std::size_t fan) const { return i32At(fanAt(fan) + 4); }
    std::int32_t minimum(std::size_t fan) const { return i32At(fanAt(fan) + 8); }
    std::int32_t maximum(std::size_t fan) const { return i32At(fanAt(fan) + 12); }
    std::int32_t level(std::size_t fan) const { return i32At(fanAt(fan) + 16); }

private:
    static std::size_t fanAt(std::size_t fan) { return fan < MaxFans ? 40 + 52 * fan : capacity; }
};

// Fan entries of 44 bytes from +44: cooler id (1 or 2), level, control mode.
struct FanCoolerControl : DriverStruct<1452> {
    static constexpr std::uint32_t Version = 0x105AC;
    static constexpr std::size_t MaxFans = 32;

    explicit FanCoolerControl(std::uint32_t version = Version) : DriverStruct(version) {}
    std::uint8_t fanCount() const { return u8<8>(); }
    void setFanCount(std::uint8_t count) { setU8<8>(count); }
    std::uint32_t coolerId(std::size_t fan) const { return u32At(fanAt(fan)); }
    std::int32_t level(std::size_t fan) const { return i32At(fanAt(fan) + 4); }
    bool manual(std::size_t fan) const { return (u32At(fanAt(fan) + 8) & 1) != 0; }
    // manual: the fan runs at level; otherwise the driver takes it back.
    void setFan(std::size_t fan, std::uint32_t coolerId, std::int32_t levelPercent, bool manual) {
        setU32At(fanAt(fan), coolerId);
        setI32At(fanAt(fan) + 4, levelPercent);
        const std::uint32_t mode = u32At(fanAt(fan) + 8);
        setU32At(fanAt(fan) + 8, manual ? (mode | 1u) : (mode & ~1u));
    }

private:
    static std::size_t fanAt(std::size_t fan) { return fan < MaxFans ? 44 + 44 * fan : capacity; }
};

struct FanCurveInfo : DriverStruct<76> {
    static constexpr std::uint32_t Versions[] = {0x2004C, 0x1003C};

    explicit FanCurveInfo(std::uint32_t version = Versions[0]) : DriverStruct(version) {}
};

// Curve entries of 52 bytes from +20: an index byte, then three points of
// {temperature in 1/256 degrees C, level as a 16.16 fraction of 100 %, driver value}.
struct FanCurve : DriverStruct<220> {
    static constexpr std::uint32_t Version = 0x200DC;
    static constexpr std::size_t MaxEntries = 3;  // a fourth would overlap the request word at +216
    static constexpr std::size_t PointsPerEntry = 3;

    struct Point {
        std::int32_t temperature = 0;  // 1/256 degrees C
        std::uint32_t level = 0;       // 65536 = 100 %
        std::int32_t driverValue = 0;
        friend bool operator==(const Point&, const Point&) = default;
    };

    explicit FanCurve(std::uint32_t version = Version) : DriverStruct(version) {}
    std::uint8_t entryCount() const { return u8<4>(); }
    void setEntryCount(std::uint8_t count) { setU8<4>(count); }
    std::uint8_t entryIndex(std::size_t entry) const { return u8At(entryAt(entry)); }
    void setEntryIndex(std::size_t entry, std::uint8_t index) { setU8At(entryAt(entry), index); }
    Point point(std::size_t entry, std::size_t point) const {
        const std::size_t at = pointAt(entry, point);
        return {i32At(at), u32At(at + 4), i32At(at + 8)};
    }
    void setPoint(std::size_t entry, std::size_t point, const Point& value) {
        const std::size_t at = pointAt(entry, point);
        setI32At(at, value.temperature);
        setU32At(at + 4, value.level);
        setI32At(at + 8, value.driverValue);
    }
    // Bit 0 of the last word asks for the driver's own default curve.
    bool requestsDefault() const { return (u32<216>() & 1) != 0; }
    void setRequestDefault(bool on) { setU32<216>(on ? (u32<216>() | 1u) : (u32<216>() & ~1u)); }

private:
    static std::size_t entryAt(std::size_t entry) { return entry < MaxEntries ? 20 + 52 * entry : capacity; }
    static std::size_t pointAt(std::size_t entry, std::size_t point) {
        return entry < MaxEntries && point < PointsPerEntry ? 24 + 52 * entry + 12 * point : capacity;
    }
};

// --- probed only -----------------------------------------------------------------

struct MemoryInfo : DriverStruct<32> {
    static constexpr std::uint32_t Versions[] = {0x30020, 0x20018, 0x10014};
    explicit MemoryInfo(std::uint32_t version = Versions[0]) : DriverStruct(version) {}
};

struct ChipsetInfo : DriverStruct<232> {
    static constexpr std::uint32_t Versions[] = {0x400E8, 0x300D8, 0x20090};
    explicit ChipsetInfo(std::uint32_t version = Versions[0]) : DriverStruct(version) {}
};

// --- driver settings store -------------------------------------------------------

struct DrsSetting : DriverStruct<12320> {
    static constexpr std::uint32_t Version = 0x13020;
    static constexpr std::uint32_t TypeDword = 0;

    explicit DrsSetting(std::uint32_t version = Version) : DriverStruct(version) {}
    std::uint32_t settingId() const { return u32<4100>(); }
    std::uint32_t settingType() const { return u32<4104>(); }
    std::uint32_t currentValue() const { return u32<8220>(); }
    // A 32-bit value for the setting.
    void requestDword(std::uint32_t id, std::uint32_t value) {
        setU32<4100>(id);
        setU32<4104>(TypeDword);
        setU32<8220>(value);
    }
};

}  // namespace vt
