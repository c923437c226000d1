-- Builds a session for the Ardour check: one stereo track holding a short
-- region, Tarvo Delay inserted on it, a constant tempo, a session range long
-- enough for the echoes to ring out, then saves it.
--
-- ardour7-lua make-session.lua DIR NAME BPM SECONDS [PORT=VALUE ...]
--
-- PORT is a control input's LV2 port index, or its VST 3 parameter id. The
-- region's audio is made by bouncing the empty track: Ardour's headless Lua offers no file import, so
-- the caller writes the click into the two bounced files afterwards.

local dir, name = arg[1], arg[2]
local bpm, seconds = tonumber(arg[3]), tonumber(arg[4])
local rate = 48000
local region_samples = rate / 2

if not (dir and name and bpm and seconds) then
	fail("usage: make-session.lua DIR NAME BPM SECONDS [PORT=VALUE ...]")
end

if not create_session(dir, name, rate) then
	fail("could not create the session in " .. dir)
end

-- The plug-in as Ardour's own scan found it (LV2_PATH decides where from).
local info = nil
for p in ARDOUR.LuaAPI.list_plugins():iter() do
	if p.unique_id == uri and p.type == plugin_type then
		info = p
	end
end
if not info then
	fail("Ardour's plug-in list has no " .. uri)
end
print(string.format("PLUGIN %s in=%d out=%d", info.name, info.n_inputs:n_audio(), info.n_outputs:n_audio()))

local tracks = Session:new_audio_track(2, 2, nil, 1, "Impulse",
	ARDOUR.PresentationInfo.max_order, ARDOUR.TrackMode.Normal, true)
local track = nil
for t in tracks:iter() do
	track = t
end
if not track then
	fail("no track was created")
end

local proc = ARDOUR.LuaAPI.new_plugin(Session, uri, plugin_type, "")
if proc:isnil() then
	fail("Ardour could not instantiate " .. uri)
end
if track:add_processor_by_index(proc, 0, nil, true) ~= 0 then
	fail("the plug-in could not be inserted on the track")
end
local insert = proc:to_insert()
local plugin = insert:plugin(0)

-- Non-default values, addressed by port index or parameter id; LuaAPI counts control inputs,
-- so find the control whose port is the one asked for.
for i = 5, #arg do
	local port, value = string.match(arg[i], "^(%d+)=(.+)$")
	if not port then
		fail("not PORT=VALUE: " .. arg[i])
	end
	port, value = tonumber(port), tonumber(value)
	local set = false
	each_control(plugin, function(n, index)
		if index ~= port then
			return false
		end
		set = ARDOUR.LuaAPI.set_plugin_insert_param(insert, n, value)
		return true
	end)
	if not set then
		fail("could not set port " .. port .. " to " .. value)
	end
end

local tm = Temporal.TempoMap.fetch_writable()
tm:set_tempo(Temporal.Tempo(bpm, bpm, 4), Temporal.timepos_t(0))
Temporal.TempoMap.update(tm)

local region = track:bounce_range(0, region_samples, ARDOUR.InterThreadInfo(),
	ARDOUR.LuaAPI.nil_proc(), false, "click", false)
if region:isnil() then
	fail("bouncing the track gave no region")
end

-- Added under the name of the editor's "insert region" operation, which is
-- what makes Ardour lay the session range over it.
local playlist = track:playlist()
Session:begin_reversible_command("insert region")
playlist:to_stateful():clear_changes()
playlist:add_region(region, Temporal.timepos_t(0), 1, false)
Session:add_stateful_diff_command(playlist:to_statefuldestructible())
Session:commit_reversible_command(nil)

local range = Session:locations():session_range_location()
if not range then
	fail("the session has no session range")
end
range:set_end(Temporal.timepos_t(math.floor(seconds * rate)), true)
print(string.format("RANGE %d %d", range:start():samples(), range:_end():samples()))

for src in region:master_sources():iter() do
	print("SOURCE " .. src:to_filesource():path())
end

Session:save_state("", false, false, false, false, false)
print("SAVED")
