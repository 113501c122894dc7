local t = os.clock()
local sum = 0
for i = 1, 10000000 do
  sum = sum + i
end
print(os.clock() - t, sum)
