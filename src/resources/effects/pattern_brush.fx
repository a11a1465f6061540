// Pattern brush: a picture tiled over the slide. coord_transf is the 2 x 2 matrix (row vector times
// matrix) that turns picture coordinates into pattern coordinates: repeat counts, mirroring and angle.

float2 Scale = {1, 1};
float2 scale = {1, 1};
float2 offset = {0, 0};
float4 coord_transf = {1, 0, 0, 1};
texture Pattern;
texture Mask;
texture Background;

sampler PatternSampler = sampler_state {
  Texture = <Pattern>;
  AddressU = WRAP;
  AddressV = WRAP;
  MinFilter = LINEAR;
  MagFilter = LINEAR;
  MipFilter = NONE;
};
sampler BackgroundSampler = sampler_state {
  Texture = <Background>;
  AddressU = CLAMP;
  AddressV = CLAMP;
  MinFilter = LINEAR;
  MagFilter = LINEAR;
  MipFilter = NONE;
};
sampler MaskSampler = sampler_state {
  Texture = <Mask>;
  AddressU = CLAMP;
  AddressV = CLAMP;
  MinFilter = LINEAR;
  MagFilter = LINEAR;
  MipFilter = NONE;
};

float4 Tile(float2 uv) {
  float2 q = float2(uv.x * coord_transf.x + uv.y * coord_transf.z, uv.x * coord_transf.y + uv.y * coord_transf.w);
  return tex2D(PatternSampler, q + offset);
}

float4 PatternPS(float2 uv : TEXCOORD0) : COLOR0 {
  float4 tile = Tile(uv);
  return float4(tile.rgb, tile.a * tex2D(MaskSampler, uv).a);
}

float4 PatternFXPS(float2 uv : TEXCOORD0) : COLOR0 {
  float4 tile = Tile(uv);
  float3 scene = tex2D(BackgroundSampler, uv).rgb;
  return float4(lerp(scene, tile.rgb, tile.a * tex2D(MaskSampler, uv).a), 1);
}

technique Main {
  pass P0 {
    AlphaBlendEnable = TRUE;
    SrcBlend = SRCALPHA;
    DestBlend = INVSRCALPHA;
    BlendOp = ADD;
    CullMode = NONE;
    ZEnable = FALSE;
    PixelShader = compile ps_2_0 PatternPS();
  }
}

technique MainFX {
  pass P0 {
    AlphaBlendEnable = FALSE;
    CullMode = NONE;
    ZEnable = FALSE;
    PixelShader = compile ps_2_0 PatternFXPS();
  }
}
