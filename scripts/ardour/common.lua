-- What the Ardour check's session scripts share. ardour-check.sh runs each
-- script with this file put in front of it.

-- The plug-in under test, as ardour-check.sh names it: its id in Ardour's plug-in list (the LV2
-- URI, or the VST 3 class id) and its type there ("LV2" or "VST3").
local uri = os.getenv("TARVO_PLUGIN_ID")
local plugin_type = ARDOUR.PluginType[os.getenv("TARVO_PLUGIN_TYPE")]

local function fail(msg)
	print("FAIL: " .. msg)
	os.exit(1)
end

-- The plug-in's control inputs as Ardour counts them: each(n, port) for the
-- n-th, whose LV2 port index or VST 3 parameter id is port, until each returns
-- true or none is left.
local function each_control(plugin, each)
	local n = 0
	while true do
		local ok = false
		local port, rv = plugin:nth_parameter(n, ok)
		if not rv[2] or each(n, port) then
			return
		end
		n = n + 1
	end
end

