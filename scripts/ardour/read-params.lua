-- Reopens a session made by make-session.lua and prints what Ardour restored
-- for Tarvo Delay: one "PARAM PORT=VALUE" line per control input (PORT is the
-- LV2 port index) and the tempo at the session start.
--
-- ardour7-lua read-params.lua DIR NAME

local uri = "https://tarvo-audio.org/lv2/tarvo-delay"
local dir, name = arg[1], arg[2]

local function fail(msg)
	print("FAIL: " .. msg)
	os.exit(1)
end

if not load_session(dir, name) then
	fail("could not load the session " .. name .. " in " .. dir)
end

local route = Session:route_by_name("Impulse")
if route:isnil() then
	fail("the session has no track Impulse")
end

local insert = nil
local i = 0
while true do
	local proc = route:nth_plugin(i)
	if proc:isnil() then
		break
	end
	local pi = proc:to_insert()
	if not pi:isnil() and pi:plugin(0):unique_id() == uri then
		insert = pi
		break
	end
	i = i + 1
end
if not insert then
	fail("the reopened track has no working " .. uri .. " on it")
end

local plugin = insert:plugin(0)
local n = 0
while true do
	local ok = false
	local port, rv = plugin:nth_parameter(n, ok)
	if not rv[2] then
		break
	end
	local value = ARDOUR.LuaAPI.get_plugin_insert_param(insert, n, ok)
	print(string.format("PARAM %d=%s", port, tostring(value)))
	n = n + 1
end

local tm = Temporal.TempoMap.read()
print(string.format("TEMPO %g", tm:quarters_per_minute_at(Temporal.timepos_t(0))))
