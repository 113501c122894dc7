local t = os.clock()
local sum = 0
local x, y, v = 1, 0, 0
for i = 1, 10000000 do
  y = i
  v = y
  sum = sum + v + x
end
print(os.clock() - t, sum)
