program ProceduralTypes;
// Procedural types: variables, parameters, record fields, array elements and results of
// them; a routine assigned by name or with @, natives too; calls through them; nil,
// Assigned and comparisons; a function without parameters called where its result is
// expected; calling nil.
type
  TCurve = function(x: double): double;
  TAction = procedure(const text: string);
  TCounter = function: integer;
  TStep = record
    Name: string;
    Action: TAction;
  end;

var
  curve: TCurve;
  curves: array[0..2] of TCurve;
  chain: array of TAction;
  steps: array[1..2] of TStep;
  say: TAction;
  counter: TCounter;
  calls, i: integer;
  area: double;

function Linear(x: double): double;
begin
  Result := 2 * x + 1;
end;

function Square(x: double): double;
begin
  Result := x * x;
end;

function Cube(x: double): double;
begin
  Result := x * x * x;
end;

// The midpoint rule over n slices: the curve is a parameter.
function Integrate(f: TCurve; a, b: double; n: integer): double;
var
  k: integer;
  h: double;
begin
  h := (b - a) / n;
  Result := 0;
  for k := 0 to n - 1 do
    Result := Result + f(a + (k + 0.5) * h) * h;
end;

function Steeper(f, g: TCurve; x: double): TCurve;
begin
  if f(x) >= g(x) then Result := f else Result := g;
end;

procedure Shout(const text: string);
begin
  writeLn(UpperCase(text));
end;

procedure Whisper(const text: string);
begin
  writeLn(LowerCase(text));
end;

function NextCall: integer;
begin
  Inc(calls);
  Result := calls * 10;
end;

procedure Swap(var a, b: TCurve);
var
  t: TCurve;
begin
  t := a;
  a := b;
  b := t;
end;

function Show(f: TCurve): string;
begin
  if not Assigned(f) then Result := 'nil'
  else if @f = @Linear then Result := 'Linear'
  else if f = Square then Result := 'Square'
  else Result := 'another';
end;

begin
  // By name and with @, as a parameter; a function result called directly.
  curve := Linear;
  writeLn(FloatToStr(Integrate(curve, 0, 1, 4)));
  writeLn(FloatToStr(Integrate(Square, 0, 3, 3)));
  writeLn(FloatToStr(Integrate(@Cube, 0, 2, 2)));
  writeLn(FloatToStr(Steeper(Linear, Square, 3)(4)) + ' ' + FloatToStr(Steeper(Linear, Square, 1)(4)));

  // Arrays, nil, Assigned, comparisons, var parameters of a procedural type.
  curves[0] := Linear;
  curves[1] := @Square;
  curve := curves[0];
  if curve = curves[0] then writeLn('same routine');
  if curve <> curves[1] then writeLn('different routines');
  if (curves[2] = nil) and not Assigned(curves[2]) then writeLn('nil, not assigned');
  Swap(curves[0], curves[1]);
  writeLn(Show(curves[0]) + ' ' + Show(curves[1]) + ' ' + Show(curves[2]) + ' ' + Show(Cube));
  area := 0;
  for i := 0 to 1 do area := area + curves[i](2);
  writeLn(FloatToStr(area));

  // Procedures in record fields, a dynamic array and a variable; a native assigned too.
  steps[1].Name := 'first';
  steps[1].Action := Shout;
  steps[2].Name := 'second';
  steps[2].Action := Whisper;
  for i := 1 to 2 do steps[i].Action(steps[i].Name + ' Step');
  with steps[1] do Action(Name);
  SetLength(chain, 3);
  chain[0] := Whisper;
  chain[1] := writeLn;
  chain[2] := Shout;
  for i := 0 to High(chain) do chain[i]('Chain ' + IntToStr(i));
  say := chain[2];
  say('done');

  // A parameterless function: called where a value is expected, held where a routine is.
  calls := 0;
  counter := NextCall;
  i := counter + counter;
  writeLn(IntToStr(i) + ' ' + IntToStr(calls) + ' ' + IntToStr(counter()));
  if Assigned(counter) and (counter > 0) then writeLn(IntToStr(calls));

  // Calling nil is an access violation the script can catch.
  curve := nil;
  try
    area := curve(1);
  except
    on E: EAccessViolation do writeLn(E.ClassName + ': ' + E.Message);
  end;
end.
(* output
2
8.75
3.5
16 9
same routine
different routines
nil, not assigned
Square Linear nil another
9
FIRST STEP
second step
FIRST
chain 0
Chain 1
CHAIN 2
DONE
30 2 30
4
EAccessViolation: Call through nil: the procedural value 'curve' holds no routine
*)
