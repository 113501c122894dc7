function Outer(a: integer; var b: integer; const c: string): string;
var x: integer;
  function L1(y: integer): integer;
  var z: integer;
    procedure L2; forward;
    function L3(w: integer): integer;
    begin
      if w > 0 then Result := L3(w - 1) + 1 else Result := z;
      Outer := c;
    end;
    procedure L2;
    begin
      Inc(x); Inc(b, a); z := z + y;
    end;
  begin
    z := 1; L2; Result := L3(y) + Sib(y);
  end;
  function Sib(v: integer): integer;
  begin
    if v <= 0 then Sib := x else Sib := Sib(v - 1) + L1(0);
  end;
begin
  x := 0;
  Result := IntToStr(L1(a) + x);
end;
var b: integer;
begin
  b := 1;
  writeLn(Outer(2, b, 'c') + IntToStr(b));
end.
