-- What the Ardour check's session scripts share. ardour-check.sh runs each
-- script with this file put in front of it.

local uri = "https://tarvo-audio.org/lv2/tarvo-delay"

local function fail(msg)
	print("FAIL: " .. msg)
	os.exit(1)
end

-- The plug-in's control inputs as Ardour counts them: each(n, port) for the
-- n-th, whose LV2 port index is port, until each returns true or none is left.
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

