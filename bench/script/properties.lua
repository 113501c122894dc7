-- A native object's property: reader and writer functions behind the field syntax.
local store = { value = 0 }
local counter = setmetatable({}, {
  __index = function(_, key) if key == "Value" then return store.value end end,
  __newindex = function(_, key, v) if key == "Value" then store.value = v end end,
})
local t = os.clock()
for i = 1, 1000000 do
  counter.Value = counter.Value + 1
end
print(os.clock() - t, counter.Value)
