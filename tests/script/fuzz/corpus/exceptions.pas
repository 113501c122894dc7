var
  i, zero: integer;
  x: double;
  l: TStringList;
  kept: Exception;

function Guard(n: integer): string;
begin
  try
    case n of
      0: i := 1 div zero;
      1: x := 1 / x;
      2: raise EConvertError.CreateFmt('%d', [n]);
      3: Abort;
      4: Assert(n < 0, 'n=' + IntToStr(n));
      5: x := Sqrt(-1.0 + x);
    end;
    Result := 'none';
  except
    on E: EIntError do Result := E.ClassName;
    on E: EMathError do begin E.Message := E.Message + '!'; raise; end;
    on EConvertError do Result := ExceptionMessage;
  else
    Result := 'else';
  end;
end;

begin
  for i := 0 to 6 do
    try
      writeLn(Guard(i));
    except
      on E: Exception do writeLn(E.ClassName + ' ' + E.Message);
    end;
  l := TStringList.Create;
  try
    try
      l.LoadFromFile('missing.txt');
    finally
      l.Free;
    end;
  except
    on E: EStreamError do writeLn(E.Message);
  end;
  kept := ERangeError.Create('kept');
  if (kept is EIntError) and (Length((kept as Exception).Message) = 0) then Abort;
  try raise kept; except on E: EExternal do writeLn(E.Message); end;
  Assert(zero = 0);
  Abort;
end.
