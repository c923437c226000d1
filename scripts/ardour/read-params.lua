-- Reopens a session made by make-session.lua and prints what Ardour restored
-- for Tarvo Delay: one "PARAM PORT=VALUE" line per control input (PORT is the
-- LV2 port index or the VST 3 parameter id) and the tempo at the session start.
--
-- ardour7-lua read-params.lua DIR NAME

local dir, name = arg[1], arg[2]

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

each_control(insert:plugin(0), function(n, port)
	local value = ARDOUR.LuaAPI.get_plugin_insert_param(insert, n, false)
	print(string.format("PARAM %d=%s", port, tostring(value)))
	return false
end)

local tm = Temporal.TempoMap.read()
print(string.format("TEMPO %g", tm:quarters_per_minute_at(Temporal.timepos_t(0))))
