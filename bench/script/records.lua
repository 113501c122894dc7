local t = os.clock()
local sum = 0
local p = {x = 1, y = 0}
local a = {0, 0, 0, 0, 0, 0, 0, 0}
for i = 1, 10000000 do
  p.y = i
  a[(i & 7) + 1] = p.y
  sum = sum + a[(i & 7) + 1] + p.x
end
print(os.clock() - t, sum)
