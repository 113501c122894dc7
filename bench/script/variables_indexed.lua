local t = os.clock()
local sum = 0
local x, y, v, j, k = 1, 0, 0, 0, 0
for i = 1, 10000000 do
  y = i
  j = i & 7
  v = y
  k = i & 7
  sum = sum + v + x
end
print(os.clock() - t, sum)
