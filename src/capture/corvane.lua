-- Wireshark dissector for Corvane capture files (corvane-cli monitor --pcap).
--
-- The files use link type USER0 (147). Each packet is a 12-byte header, then the radio frame
-- as the dongle delivered it:
--   version u8 (1) | source u32 LE | destination u32 LE | frame id u16 LE | RSSI s8 | frame bytes
--
-- Install: copy this file into Wireshark's personal Lua plugin folder (on Linux
-- ~/.local/lib/wireshark/plugins; "Help > About Wireshark > Folders" shows it), or load it for
-- one run with `tshark -X lua_script:corvane.lua -r FILE`.

local corvane = Proto("corvane", "Corvane radio capture")

local f_version = ProtoField.uint8("corvane.version", "Header version", base.DEC)
local f_src = ProtoField.uint32("corvane.src", "Source", base.HEX)
local f_dst = ProtoField.uint32("corvane.dst", "Destination", base.HEX)
local f_frame_id = ProtoField.uint16("corvane.frame_id", "Frame id", base.HEX)
local f_rssi = ProtoField.int8("corvane.rssi", "RSSI (dBm)", base.DEC)

corvane.fields = { f_version, f_src, f_dst, f_frame_id, f_rssi }

local e_version = ProtoExpert.new("corvane.version.unknown", "Unknown header version",
                                  expert.group.UNDECODED, expert.severity.WARN)
local e_short = ProtoExpert.new("corvane.short", "Packet shorter than the header",
                                expert.group.MALFORMED, expert.severity.ERROR)
corvane.experts = { e_version, e_short }

local HEADER_BYTES = 12
local data_dissector = Dissector.get("data")

local function address_text(value)
  if value == 0 then return "broadcast" end
  return string.format("0x%08X", value)
end

function corvane.dissector(tvb, pinfo, tree)
  pinfo.cols.protocol = "Corvane"
  local subtree = tree:add(corvane, tvb(0, math.min(tvb:len(), HEADER_BYTES)))
  if tvb:len() < 1 then
    subtree:add_proto_expert_info(e_short)
    return
  end
  local version_item = subtree:add(f_version, tvb(0, 1))
  local version = tvb(0, 1):uint()
  if version ~= 1 then
    version_item:add_proto_expert_info(e_version)
    pinfo.cols.info = string.format("unknown header version %d", version)
    data_dissector:call(tvb(1):tvb(), pinfo, tree)
    return
  end
  if tvb:len() < HEADER_BYTES then
    subtree:add_proto_expert_info(e_short)
    pinfo.cols.info = "packet shorter than the header"
    return
  end

  local src = tvb(1, 4):le_uint()
  local dst = tvb(5, 4):le_uint()
  local frame_id = tvb(9, 2):le_uint()
  local rssi = tvb(11, 1):int()
  -- Wireshark writes hex in lower case; the tree spells addresses and ids as the RF monitor does.
  subtree:add_le(f_src, tvb(1, 4)):set_text(string.format("Source: 0x%08X", src))
  subtree:add_le(f_dst, tvb(5, 4)):set_text(string.format("Destination: 0x%08X", dst) ..
                                            (dst == 0 and " (broadcast)" or ""))
  subtree:add_le(f_frame_id, tvb(9, 2)):set_text(string.format("Frame id: 0x%04X", frame_id))
  subtree:add(f_rssi, tvb(11, 1)):set_text(string.format("RSSI: %d dBm", rssi))

  pinfo.cols.src = string.format("0x%08X", src)
  pinfo.cols.dst = address_text(dst)
  pinfo.cols.info = string.format("id 0x%04X, %d dBm, %d frame bytes", frame_id, rssi,
                                  tvb:len() - HEADER_BYTES)
  subtree:append_text(string.format(", 0x%08X -> %s", src, address_text(dst)))

  if tvb:len() > HEADER_BYTES then
    data_dissector:call(tvb(HEADER_BYTES):tvb(), pinfo, tree)
  end
end

-- The wtap_encap table is keyed by Wireshark's own encapsulation numbers, not by the LINKTYPE in
-- the file; Wireshark maps LINKTYPE 147 to its USER0. Older versions name the table "wtap".
local encaps = wtap_encaps or wtap
DissectorTable.get("wtap_encap"):add(encaps.USER0, corvane)
